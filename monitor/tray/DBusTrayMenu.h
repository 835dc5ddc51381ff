#pragma once

#include "monitor/tray/DBusMenuTypes.h"

#include <QObject>
#include <QStringList>

// The item's menu as com.canonical.dbusmenu, which the panel draws itself:
// Start/Stop, Show, a separator and Quit. It lives on the panel item's
// thread; a choice comes back as a signal of ours.
class DBusTrayMenu : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static constexpr const char* Path = "/MenuBar";

    explicit DBusTrayMenu(QObject* parent);

    // Start or Stop, as polling stands.
    void setPolling(bool polling);

    uint version() const { return 3; }
    QString textDirection() const { return "ltr"; }
    QString status() const { return "normal"; }
    QStringList iconThemePath() const { return {}; }

public slots:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                MenuLayoutItem& layout);
    Q_SCRIPTABLE QList<MenuItemProperties> GetGroupProperties(const QList<int>& ids,
                                                              const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<MenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);

    void startStopChosen();
    void showChosen();
    void quitChosen();

private:
    QVariantMap propertiesOf(int id, const QStringList& names = {}) const;

    bool m_polling = false;
    uint m_revision = 1;
};
