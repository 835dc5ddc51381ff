#pragma once

#include "monitor/controls/OptionItem.h"

#include <vector>

class QAction;
class QMenu;
class SettingsStore;

// The listeners' Options items and settings, in the order they were added,
// which is their order in the menu and in the settings file.
class OptionItems {
public:
    explicit OptionItems(SettingsStore& settings) : m_settings(settings) {}

    // Adds the item after the menu's others; a setting with no item adds
    // nothing to it.
    void add(QMenu* menu, OptionItem item);
    // Every action made, to be connected to click().
    std::vector<QAction*> actions() const;

    // At start-up: each stored value, or the default stored where none is.
    void applySettings();
    void click(QAction* action);

private:
    struct Entry {
        QAction* action = nullptr;
        OptionItem item;
    };

    void take(Entry& entry, const QString& value);

    SettingsStore& m_settings;
    std::vector<Entry> m_entries;
};
