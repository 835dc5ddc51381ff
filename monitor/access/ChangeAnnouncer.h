#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

class QWidget;

// Tells a screen reader that a control's description changed, at most once
// per gap: a graph that changes every second must not bury everything else
// the reader has to say. A change within the gap is told once when the gap
// has passed. Nothing is done while no assistive technology listens.
class ChangeAnnouncer : public QObject {
public:
    explicit ChangeAnnouncer(QWidget* target, std::chrono::milliseconds gap = std::chrono::seconds(1));

    void changed();

private:
    void announce();

    QWidget* m_target;
    std::chrono::milliseconds m_gap;
    QElapsedTimer m_sinceLast;
    QTimer m_pending;
};
