#include "monitor/controls/OptionItem.h"

OptionItem OptionItem::onOff(const char* text, const char* objectName, const char* key, bool byDefault,
                             std::function<void(bool)> set)
{
    OptionItem item;
    item.text = text;
    item.objectName = objectName;
    item.checkable = true;
    item.key = key;
    item.byDefault = byDefault ? "yes" : "no";
    item.apply = [set, byDefault](const QString& value) {
        const bool on = byDefault ? value != "no" : value == "yes";
        set(on);
        return on;
    };
    item.click = [](bool checked) { return std::optional<QString>(checked ? "no" : "yes"); };
    return item;
}
