#pragma once

#include "monitor/alerts/HostDownWatch.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QDBusPendingCallWatcher;

// The notifier's side on its own thread: finds and connects the session
// bus, learns what the notification service can show, and sends the
// notices. Nothing here ever blocks for longer than the bus is given to
// answer, and every call to the service is asynchronous.
class NotificationSession : public QObject {
    Q_OBJECT

public:
    static constexpr int AnswerMs = 5000;
    static constexpr qint64 RetryMs = 60 * 1000;
    // The withdrawal at quit, bounded: nobody waits longer for a bus.
    static constexpr int WithdrawMs = 300;

    NotificationSession();
    ~NotificationSession() override;

    void show(const HostStateNotice& notice);
    // Closes the "down" notices still shown, then ends this thread's loop.
    void withdrawAndEnd();

signals:
    // The user chose a notice of ours (its default action).
    void activated();

private slots:
    void actionInvoked(uint id, const QString& action);

private:
    struct Shown {
        uint id = 0;
        bool down = false;
    };

    bool connectBus();
    void askCapabilities();
    void sendWaiting();
    void send(const HostStateNotice& notice);
    void unavailable(const QString& reason);
    static QString errorText(const QDBusPendingCallWatcher& call);

    bool m_connected = false;
    bool m_told = false;
    bool m_ending = false;
    QElapsedTimer m_failedAgo;
    // Known once the service told its capabilities; the notices wait.
    std::optional<bool> m_bodyMarkup;
    std::vector<HostStateNotice> m_waiting;
    // The service's id of each notice shown, by the notice's serial.
    QHash<int, Shown> m_shown;
};
