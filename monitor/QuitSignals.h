#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop on SIGINT and SIGTERM as "Quit" does. The handler
// itself only writes a byte to a pipe; the loop reads it.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested();

private:
    static void onSignal(int signal);

    QSocketNotifier* m_notifier = nullptr;
};
