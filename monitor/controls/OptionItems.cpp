#include "monitor/controls/OptionItems.h"

#include "monitor/files/SettingsStore.h"

#include <QAction>
#include <QMenu>

void OptionItems::add(QMenu* menu, OptionItem item)
{
    Entry entry{nullptr, std::move(item)};
    if (entry.item.text) {
        entry.action = menu->addAction(entry.item.text);
        entry.action->setObjectName(entry.item.objectName);
        entry.action->setCheckable(entry.item.checkable);
        if (!entry.item.statusTip.isEmpty()) {
            entry.action->setStatusTip(entry.item.statusTip);
            entry.action->setToolTip(entry.item.statusTip);
        }
    }
    m_entries.push_back(std::move(entry));
}

std::vector<QAction*> OptionItems::actions() const
{
    std::vector<QAction*> made;
    for (const Entry& entry : m_entries)
        if (entry.action)
            made.push_back(entry.action);
    return made;
}

void OptionItems::applySettings()
{
    for (Entry& entry : m_entries) {
        const auto stored = m_settings.read(entry.item.key);
        if (!stored)
            m_settings.write(entry.item.key, entry.item.byDefault);
        take(entry, stored.value_or(entry.item.byDefault));
    }
}

void OptionItems::click(QAction* action)
{
    for (Entry& entry : m_entries) {
        if (entry.action != action)
            continue;
        const auto value = entry.item.click(action->isChecked());
        if (!value)
            return;
        take(entry, *value);
        m_settings.write(entry.item.key, *value);
    }
}

void OptionItems::take(Entry& entry, const QString& value)
{
    const bool checked = entry.item.apply(value);
    if (entry.action && entry.action->isCheckable())
        entry.action->setChecked(checked);
}
