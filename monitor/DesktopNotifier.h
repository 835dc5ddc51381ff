#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

struct HostStateNotice;

// Shows notices through the desktop's notification service on the
// session bus. Every call is asynchronous: a slow or hung service never
// holds up the window. Without a bus or a service it says so once on
// standard error and tries again at most once a minute.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    void show(const HostStateNotice& notice);

signals:
    // The user chose a notice of ours (its default action).
    void activated();

private slots:
    void actionInvoked(uint id, const QString& action);

private:
    bool connectBus();
    void unavailable(const QString& reason);

    bool m_connected = false;
    bool m_told = false;
    QElapsedTimer m_failedAgo;
    // The service's id of each notice we showed, by the notice's serial.
    QHash<int, uint> m_ids;
};
