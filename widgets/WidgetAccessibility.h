#pragma once

// What a screen reader learns of this room's own controls: a see-through
// label is static text with its caption, a link label a link with its URL
// and an action that opens it, a log view read-only multi-line text whose
// lines can be read. Installed once per process, before the first control
// is asked for; installing again changes nothing.
namespace WidgetAccessibility {
void install();
}
