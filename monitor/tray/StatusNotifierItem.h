#pragma once

#include "monitor/tray/StatusNotifierTypes.h"
#include "monitor/tray/TrayGlance.h"

#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>

// The program's org.kde.StatusNotifierItem, as a panel reads it: the disc
// of the worst state, the tool tip that names the hosts down, and a menu of
// its own. It lives on the panel item's thread; what it is told goes out as
// the protocol's change signals, and what the panel asks comes back as
// signals of ours.
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(TrayPictures IconPixmap READ iconPixmap)
    Q_PROPERTY(TrayPictures AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(TrayToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    static constexpr const char* Path = "/StatusNotifierItem";

    StatusNotifierItem(const QString& menuPath, QObject* parent);

    void show(TrayGlance::Level level, const QString& toolTip);

    QString category() const { return "ApplicationStatus"; }
    QString id() const;
    QString title() const;
    QString status() const;
    int windowId() const { return 0; }
    QString iconName() const { return {}; }
    TrayPictures iconPixmap() const { return m_pictures; }
    TrayPictures attentionIconPixmap() const { return m_attention; }
    TrayToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return m_menu; }

public slots:
    // A click on the item, at the pointer's place on the screen.
    Q_SCRIPTABLE void Activate(int x, int y);
    // Asked by a panel that shows no menu of its own.
    Q_SCRIPTABLE void ContextMenu(int x, int y);

signals:
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);

    void activated();
    void contextMenuAsked(QPoint at);

private:
    QDBusObjectPath m_menu;
    TrayGlance::Level m_level = TrayGlance::Level::Idle;
    QString m_toolTip;
    TrayPictures m_pictures;
    // A panel shows it instead while the status asks for attention.
    TrayPictures m_attention;
};
