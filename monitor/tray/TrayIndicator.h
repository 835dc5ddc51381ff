#pragma once

#include "monitor/controls/OptionItem.h"
#include "monitor/echo/EchoListener.h"
#include "monitor/tray/TrayGlance.h"

#include <QObject>

class HostDownWatch;
class QAction;
class QMenu;
class TrayPanel;
class XEmbedTray;

// The program's item in the desktop's tray: a StatusNotifierItem of our own
// where a panel's watcher takes it (TrayPanel, off the GUI thread), an
// XEmbed icon where none does and the X screen has a tray (XEmbedTray). It
// shows a glance of the hosts and offers Start/Stop, Show and Quit; it
// follows the shown hosts, the down-watch and the outcomes' signal levels,
// and refreshes the item only when the glance changes. Nothing here waits
// on the session bus.
class TrayIndicator : public QObject, public EchoListener {
    Q_OBJECT

public:
    TrayIndicator(const HostDownWatch& watch, QObject* parent = nullptr);
    ~TrayIndicator() override;

    // "Show in tray", on unless the user turned it off.
    OptionItem optionItem();

    void pollingChanged(bool polling) override;
    void hostsShown(const ShownHosts& hosts) override;
    void echoEnded(const EchoOutcome& outcome) override;

    // Shown only where the desktop has a tray, and put there when a panel
    // or a tray comes later; off, the item is removed.
    void setWanted(bool wanted);
    bool wanted() const { return m_wanted; }

    TrayGlance::Level level() const { return m_glance.level; }
    QString toolTip() const { return m_glance.toolTip; }

signals:
    void startStopRequested();
    void showRequested();
    void quitRequested();

private:
    // Whether a panel's watcher took the item: not known until it answers.
    enum class Panel { Unknown, Taken, None };

    // The hosts in slot order, each once, down by the down-watch and above
    // their threshold as their graphs signal it.
    void show();
    void build();
    void refresh();
    void placeXEmbed();

    TrayPanel* m_panel = nullptr;
    XEmbedTray* m_xembed = nullptr;
    Panel m_onPanel = Panel::Unknown;
    QMenu* m_menu = nullptr;
    QAction* m_startStop = nullptr;
    const HostDownWatch& m_watch;
    std::vector<TrayGlance::Host> m_hosts;
    TrayGlance m_glance;
    bool m_polling = false;
    bool m_shownPolling = false;
    bool m_wanted = false;
};
