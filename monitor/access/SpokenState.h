#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

// What a screen reader is told of one graph: only its changes of state, in
// words. A second of polling changes the graph's numbers, which the reader
// finds in its description when it asks; interrupting the user for them
// would bury the few changes that matter. A lost echo alone is no change: a
// host is down by the down-watch's rule, as the notices say. Changes are
// gathered as the notices gather theirs, over a span the window times: a
// host that flaps every echo is told once a span, where it ended, and not
// at all when it ended where it began.
class SpokenState {
public:
    // On the monotonic clock, from the first change not yet told.
    static constexpr int GatheringMs = 5000;

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

    // Takes a reading; true while the state differs from the one last told,
    // so that a span of gathering is due.
    bool follow(const Reading& reading);
    // At the end of the span: the words for where the state ended since it
    // was last told; empty when it ended there, or where words tell nothing.
    QString settle();

private:
    enum class State { Unknown, Answering, Above, Down };

    QString m_host;
    State m_state = State::Unknown;
    State m_told = State::Unknown;
    int m_lostInARow = 0;
    // What the words take from the latest reading.
    std::optional<std::int64_t> m_threshold;
    QDateTime m_downSince;
    QString m_status;
};
