#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

// What a screen reader is told of one graph: only its changes of state, in
// words, once each. A second of polling changes the graph's numbers, which
// the reader finds in its description when it asks; interrupting the user
// for them would bury the few changes that matter. A lost echo alone is no
// change: a host is down by the down-watch's rule, as the notices say.
class SpokenState {
public:
    struct Reading {
        QString host;
        // A reply from the pinged address; anything else counts lost.
        bool answered = false;
        // The graph shows the threshold signal.
        bool above = false;
        std::optional<std::int64_t> threshold;
        // When the host went down, while it is.
        std::optional<QDateTime> downSince;
        // What the last lost echo met ("Request timed out").
        QString status;
    };

    // The words for the change this reading makes; empty when it makes none.
    QString next(const Reading& reading);

private:
    enum class State { Unknown, Answering, Above, Down };

    QString m_host;
    State m_state = State::Unknown;
    int m_lostInARow = 0;
};
