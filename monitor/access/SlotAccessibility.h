#pragma once

// What a screen reader learns of a slot's own controls: the graph is a
// focusable chart named by the window and described by its slot's state,
// with actions that open its menu and show its poll log; a scale label is
// static text saying what it marks. Installed once per process, together
// with the labels and logs of widgets/; installing again changes nothing.
namespace SlotAccessibility {
void install();
}
