#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

#include <xcb/xcb.h>

class QMenu;
class XEmbedTrayIcon;

// The tray of a desktop without a StatusNotifierItem panel: the XEmbed
// system tray of the X screen, the owner of _NET_SYSTEM_TRAY_S<screen>.
// Our icon is docked to it by the X server alone, on Qt's own connection to
// it, and the session bus is never asked. A tray that starts later says so
// on the root window (MANAGER), and the icon is docked then; one that goes
// takes our window's place with it, and the next one gets a new window.
class XEmbedTray : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Whether the program runs on an X display.
    static bool onX11();

    XEmbedTray(QMenu* menu, QObject* parent);
    ~XEmbedTray() override;

    void setWanted(bool wanted);
    void showGlance(TrayGlance::Level level, const QString& toolTip);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activated();

private:
    void dock();
    void undock();
    void hearManagers();
    xcb_window_t manager() const;
    bool offersAlpha(xcb_window_t owner) const;
    void requestDock(xcb_window_t owner, xcb_window_t icon) const;

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_atom_t m_opcode = XCB_ATOM_NONE;
    xcb_atom_t m_managerMessage = XCB_ATOM_NONE;
    xcb_atom_t m_visual = XCB_ATOM_NONE;
    xcb_atom_t m_embedInfo = XCB_ATOM_NONE;
    // The tray our icon is docked to, watched for its end.
    xcb_window_t m_owner = XCB_WINDOW_NONE;
    QMenu* m_menu = nullptr;
    QPointer<XEmbedTrayIcon> m_icon;
    TrayGlance::Level m_level = TrayGlance::Level::Idle;
    QString m_toolTip;
    bool m_wanted = false;
};
