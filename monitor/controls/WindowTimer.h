#pragma once

#include <QObject>
#include <QTimer>

// The window's timer with the behaviour the polling cycle relies on: being
// enabled is the "running" state, an interval it already has disturbs
// nothing, and an interval of 0 keeps it running without ever firing (a Qt
// timer of 0 ms would fire on every pass of the event loop).
class WindowTimer : public QObject {
    Q_OBJECT

public:
    explicit WindowTimer(QObject* parent = nullptr);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    qint64 interval() const { return m_interval; }
    void setInterval(qint64 milliseconds);

    // The longest interval a timer can hold.
    static constexpr qint64 MaxInterval = 2147483000;

signals:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
    qint64 m_interval = 2000;
};
