#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

class QWidget;

// Paints what the replies of one tick change in one pass. From the start of
// a tick until all its echoes have ended, or at most GatheringMs, the
// window's requests for a paint pass are held, then made once; so the hosts
// that answer at once and those that answer some milliseconds later are
// put on the screen together. Echoes of an earlier tick no longer count,
// so an echo that never ends holds nothing past its tick's bound.
class TickPaintGate : public QObject {
    Q_OBJECT

public:
    static constexpr int GatheringMs = 100;

    explicit TickPaintGate(QWidget* window, int gatheringMs = GatheringMs);

    // Returns the tick's number, which its echoes end with.
    std::uint64_t tickStarted(int echoes);
    void echoEnded(std::uint64_t tick);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void release();

    QWidget* m_window;
    QTimer m_bound;
    std::uint64_t m_tick = 0;
    int m_inFlight = 0;
    bool m_holding = false;
    bool m_held = false;
    bool m_passing = false;
};
