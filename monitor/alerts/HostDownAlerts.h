#pragma once

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/controls/OptionItem.h"
#include "monitor/echo/EchoListener.h"

#include <QObject>
#include <QTimer>

#include <vector>

class DesktopNotifier;
class QWidget;

// Host-down notifications: it feeds the watch with outcomes while polling
// runs, shows the gathered notices once their second is over, and tells the
// desktop only while the user asked for it. Lost is what the statistics
// count lost: a failure with a text, an error report, or a reply from
// another address. While polling is stopped nothing is told, and Start
// counts afresh.
class HostDownAlerts : public QObject, public EchoListener {
    Q_OBJECT

public:
    explicit HostDownAlerts(QObject* parent = nullptr);

    HostDownWatch& watch() { return m_watch; }
    bool notifying() const { return m_notifying; }

    // "Notify when a host goes down" and the count of lost echoes, asked
    // for over the given window.
    std::vector<OptionItem> optionItems(QWidget* dialogParent);

    void pollingChanged(bool polling) override;
    void echoEnded(const EchoOutcome& outcome) override;

signals:
    void activationRequested();
    // A host went down by the watch's rule.
    void wentDown();

private:
    // After every outcome given to the watch, and at a stop, which tells
    // at once what happened while polling ran.
    void changed();
    void stopped();
    void deliverDue();
    void deliver(const HostStateNotice& notice);

    HostDownWatch m_watch;
    QTimer m_gathering;
    DesktopNotifier* m_notifier = nullptr;
    bool m_notifying = false;
    bool m_polling = false;
};
