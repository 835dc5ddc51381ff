#pragma once

#include <QString>

#include <functional>
#include <optional>

// One Options item of a listener, bound to its setting: the menu action,
// the settings key and its default, and how a value takes effect. The
// window makes the item and stores the values; the listener decides what
// they mean, so that adding one costs the window nothing of its own.
struct OptionItem {
    const char* text = nullptr;        // nullptr: a setting with no item
    const char* objectName = nullptr;
    bool checkable = false;
    const char* key = nullptr;
    QString byDefault;
    // Makes a stored value take effect, at start-up and after each click;
    // gives the item's new mark.
    std::function<bool(const QString& value)> apply;
    // A click, given the mark it had: the value to store, or none where the
    // user gave none (a dialog cancelled).
    std::function<std::optional<QString>(bool checked)> click;
    QString statusTip;

    // A checkable item whose "yes" or "no" switches the setter; a stored
    // value that is neither leaves the default.
    static OptionItem onOff(const char* text, const char* objectName, const char* key, bool byDefault,
                            std::function<void(bool)> set);
};
