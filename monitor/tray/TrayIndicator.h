#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QHash>
#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's item in the desktop's tray: a StatusNotifierItem where the
// panel offers one and Qt was given the session bus, an XEmbed icon
// otherwise. It shows a glance of the hosts and offers Start/Stop, Show
// and Quit; it holds no state of the window, which tells it each change.
class TrayIndicator : public QObject {
    Q_OBJECT

public:
    explicit TrayIndicator(QObject* parent = nullptr);
    ~TrayIndicator() override;

    // Shown only where the desktop has a tray; off, the icon is removed.
    void setWanted(bool wanted);
    bool wanted() const { return m_wanted; }

    // A reply, above its slot's threshold as the graph signals it or not;
    // what is known of thresholds starts afresh with polling. True when it
    // changes what the tray knows, so that the glance needs a refresh.
    bool replied(const QString& host, bool aboveThreshold);
    void restart() { m_above.clear(); }

    // The hosts in slot order, each once; whether each is above its
    // threshold is the tray's to fill in.
    void show(bool polling, std::vector<TrayGlance::Host> hosts);
    TrayGlance::Level level() const { return m_glance.level; }
    QString toolTip() const { return m_glance.toolTip; }

signals:
    void startStopRequested();
    void showRequested();
    void quitRequested();

private:
    void build();
    void refresh();

    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_startStop = nullptr;
    QHash<QString, bool> m_above;
    TrayGlance m_glance;
    bool m_polling = false;
    bool m_wanted = false;
};
