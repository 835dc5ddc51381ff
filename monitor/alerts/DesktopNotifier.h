#pragma once

#include <QObject>

#include <memory>

class BackgroundThread;
class NotificationSession;
struct HostStateNotice;

// Shows notices through the desktop's notification service on the
// session bus. The bus is reached and called on a thread of the
// notifier's own (NotificationSession); the window only posts to it, so a
// slow or hung bus never holds the window up, nor the quit. Without a bus
// or a service it says so once on standard error and tries again at most
// once a minute.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    // How long the quit waits for the thread, which withdraws the "down"
    // notices in less.
    static constexpr int QuitWaitMs = 500;

    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    void show(const HostStateNotice& notice);

signals:
    // The user chose a notice of ours (its default action).
    void activated();

private:
    NotificationSession* m_session;  // lives on m_thread
    std::unique_ptr<BackgroundThread> m_thread;
};
