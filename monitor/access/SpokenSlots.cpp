#include "monitor/access/SpokenSlots.h"

#include "monitor/access/SpokenChange.h"
#include "monitor/alerts/HostDownWatch.h"

#include <QTimer>

SpokenSlots::SpokenSlots(const HostDownWatch& watch, SlotReading reading, FocusedIn focusedIn, QObject* parent)
    : QObject(parent)
    , m_watch(watch)
    , m_reading(std::move(reading))
    , m_focusedIn(std::move(focusedIn))
{
    for (int n = 1; n <= SlotCount; ++n) {
        QTimer* gathering = new QTimer(this);
        gathering->setObjectName("SpokenGathering");
        gathering->setSingleShot(true);
        connect(gathering, &QTimer::timeout, this, [this, n] { tellGathered(n); });
        m_gathering[n - 1] = gathering;
    }
}

void SpokenSlots::echoEnded(const EchoOutcome& outcome)
{
    if (outcome.kind == EchoOutcome::Kind::Untold)
        return;
    for (const int n : outcome.showing) {
        SpokenState::Reading reading = m_reading(n);
        reading.answered = outcome.kind == EchoOutcome::Kind::Reply;
        reading.downSince = m_watch.downSince(reading.host);
        QTimer* gathering = m_gathering[n - 1];
        if (m_states[n - 1].follow(reading) && !gathering->isActive())
            gathering->start(SpokenState::GatheringMs);
    }
}

void SpokenSlots::tellGathered(int n)
{
    const QString words = m_states[n - 1].settle();
    if (QWidget* focused = m_focusedIn(n); focused && !words.isEmpty())
        SpokenChange::tell(focused, words);
}
