#include "monitor/tray/DBusTrayMenu.h"

#include <algorithm>
#include <array>

namespace {

// The root holds the items, in this order.
enum Item { Root = 0, StartStop = 1, Show = 2, Separator = 3, Quit = 4 };
constexpr std::array<int, 4> Items{StartStop, Show, Separator, Quit};

bool known(int id)
{
    return id == Root || std::find(Items.begin(), Items.end(), id) != Items.end();
}

}

DBusTrayMenu::DBusTrayMenu(QObject* parent)
    : QObject(parent)
{
}

void DBusTrayMenu::setPolling(bool polling)
{
    if (polling == m_polling)
        return;
    m_polling = polling;
    emit LayoutUpdated(++m_revision, Root);
}

// Labels take their mnemonic after "_", as the window's menus do after "&".
QVariantMap DBusTrayMenu::propertiesOf(int id, const QStringList& names) const
{
    QVariantMap all;
    switch (id) {
    case Root:
        all["children-display"] = QString("submenu");
        break;
    case StartStop:
        all["label"] = QString(m_polling ? "_Stop" : "_Start");
        break;
    case Show:
        all["label"] = QString("S_how");
        break;
    case Separator:
        all["type"] = QString("separator");
        break;
    case Quit:
        all["label"] = QString("_Quit");
        break;
    }
    if (names.isEmpty())
        return all;
    QVariantMap asked;
    for (const QString& name : names)
        if (all.contains(name))
            asked[name] = all[name];
    return asked;
}

uint DBusTrayMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                             MenuLayoutItem& layout)
{
    layout = {parentId, propertiesOf(parentId, propertyNames), {}};
    if (parentId == Root && recursionDepth != 0)
        for (const int id : Items)
            layout.children << MenuLayoutItem{id, propertiesOf(id, propertyNames), {}};
    return m_revision;
}

QList<MenuItemProperties> DBusTrayMenu::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    QList<MenuItemProperties> all;
    for (const int id : ids)
        if (known(id))
            all << MenuItemProperties{id, propertiesOf(id, propertyNames)};
    return all;
}

QDBusVariant DBusTrayMenu::GetProperty(int id, const QString& name)
{
    // A variant must hold something: a property the item lacks is empty.
    return QDBusVariant(propertiesOf(id).value(name, QString()));
}

void DBusTrayMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (eventId != "clicked")
        return;
    if (id == StartStop)
        emit startStopChosen();
    else if (id == Show)
        emit showChosen();
    else if (id == Quit)
        emit quitChosen();
}

// The ids of the events' items that the menu does not have.
QList<int> DBusTrayMenu::EventGroup(const QList<MenuEvent>& events)
{
    QList<int> unknown;
    for (const MenuEvent& event : events) {
        if (known(event.id))
            Event(event.id, event.eventId, event.data, event.timestamp);
        else
            unknown << event.id;
    }
    return unknown;
}

// The menu never changes on being shown.
bool DBusTrayMenu::AboutToShow(int)
{
    return false;
}

QList<int> DBusTrayMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    idErrors.clear();
    for (const int id : ids)
        if (!known(id))
            idErrors << id;
    return {};
}
