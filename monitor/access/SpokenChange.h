#pragma once

#include <QString>

#include <functional>

class QWidget;

// Tells a screen reader in words that the focused control's state changed,
// as a change of its description whose data is the text. Qt's own
// description event carries the control instead, which a reader cannot
// speak; so the signal goes out on the connection of Qt's accessibility
// bridge, in the bridge's path for the control. Nothing is sent while no
// assistive technology listens.
namespace SpokenChange {
void tell(QWidget* control, const QString& words);

// Tests hear what would be told, bridge or none; an empty one stops that.
void setListener(std::function<void(QWidget*, const QString&)> listener);
}
