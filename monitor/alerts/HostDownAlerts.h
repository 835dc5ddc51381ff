#pragma once

#include "monitor/alerts/HostDownWatch.h"

#include <QObject>
#include <QTimer>

class DesktopNotifier;

// The window's side of host-down notifications: it feeds the watch with
// outcomes, shows the gathered notices once their second is over, and
// tells the desktop only while the user asked for it.
class HostDownAlerts : public QObject {
    Q_OBJECT

public:
    explicit HostDownAlerts(QObject* parent = nullptr);

    HostDownWatch& watch() { return m_watch; }
    void setNotifying(bool on) { m_notifying = on; }
    bool notifying() const { return m_notifying; }

    // After every outcome given to the watch, and at a stop, which tells
    // at once what happened while polling ran.
    void changed();
    void stopped();

signals:
    void activationRequested();

private:
    void deliverDue();
    void deliver(const HostStateNotice& notice);

    HostDownWatch m_watch;
    QTimer m_gathering;
    DesktopNotifier* m_notifier = nullptr;
    bool m_notifying = false;
};
