#pragma once

#include "monitor/access/SpokenState.h"
#include "monitor/echo/EchoListener.h"

#include <QObject>

#include <array>
#include <functional>

class HostDownWatch;
class QTimer;
class QWidget;

// What a screen reader is told of each slot's graph as outcomes come: every
// slot's state follows each outcome, focused or not, so that the focus
// arriving later finds no stale change to tell. A change opens the slot's
// span of gathering, which later changes leave as it is; at its end, where
// the state ended is told in words on the slot's graph or poll log, if one
// of them has the focus.
class SpokenSlots : public QObject, public EchoListener {
    Q_OBJECT

public:
    // What the window shows of a slot: its host, its signal, its threshold
    // and the status of its last lost echo; the reply and the down state
    // are the outcome's and the watch's.
    using SlotReading = std::function<SpokenState::Reading(int slot)>;
    // The slot's graph or poll log where it has the focus, else none.
    using FocusedIn = std::function<QWidget*(int slot)>;

    SpokenSlots(const HostDownWatch& watch, SlotReading reading, FocusedIn focusedIn, QObject* parent);

    void echoEnded(const EchoOutcome& outcome) override;

private:
    void tellGathered(int slot);

    const HostDownWatch& m_watch;
    SlotReading m_reading;
    FocusedIn m_focusedIn;
    std::array<SpokenState, SlotCount> m_states;
    std::array<QTimer*, SlotCount> m_gathering{};
};
