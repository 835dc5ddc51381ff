#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop on SIGINT and SIGTERM as "Quit" does. The handler
// itself only writes a byte to a pipe; the loop reads it. A loop that is
// stuck would never read it, so the handler also arms a watchdog: if the
// program is still running QuitGraceMs after the signal, the signal's
// default action ends it.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    static constexpr int QuitGraceMs = 2000;

    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested();

private:
    static void onSignal(int signal);
    static void onWatchdog(int signal);

    QSocketNotifier* m_notifier = nullptr;
};
