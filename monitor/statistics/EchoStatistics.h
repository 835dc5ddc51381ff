#pragma once

#include "monitor/statistics/FixedRing.h"

#include <QDateTime>

#include <cstdint>
#include <optional>

// Loss, round-trip times and jitter over the last outcomes of one slot,
// the same outcomes its graph shows. An outcome costs O(1) however long
// the monitor runs: running sums over a ring of outcomes, and monotonic
// queues that hold the candidates for the smallest and largest time.
class EchoStatistics {
public:
    static constexpr int Window = 100;

    void addReply(std::int32_t roundTripTime, const QDateTime& when);
    void addLoss(const QDateTime& when);
    // An echo that could not be sent: no outcome of the host's, counted apart.
    void addNotSent(const QDateTime& when);
    void clear();

    int echoes() const { return static_cast<int>(m_outcomes.size()); }
    int replies() const { return m_replies; }
    int losses() const { return echoes() - m_replies; }
    std::optional<double> lossPercent() const;
    std::optional<std::int32_t> minimum() const;
    std::optional<std::int32_t> maximum() const;
    std::optional<double> average() const;
    // The mean absolute difference between the times of consecutive
    // replies; losses between two replies do not part them.
    std::optional<double> jitter() const;

    // Since the last clear, also when it has left the window; null if none.
    const QDateTime& lastReply() const { return m_lastReply; }
    const QDateTime& lastLoss() const { return m_lastLoss; }
    int notSent() const { return m_notSent; }
    const QDateTime& lastNotSent() const { return m_lastNotSent; }

private:
    struct Outcome {
        bool reply = false;
        std::int32_t roundTripTime = 0;
        // The step to the next reply, counted in the jitter while this
        // reply stays in the window; negative until that reply comes.
        std::int64_t stepToNextReply = -1;
    };
    struct Candidate {
        std::uint64_t sequence = 0;
        std::int32_t roundTripTime = 0;
    };
    using Outcomes = FixedRing<Outcome, Window>;
    using Candidates = FixedRing<Candidate, Window>;

    void add(const Outcome& outcome);
    void dropOldest();
    std::uint64_t oldestSequence() const { return m_nextSequence - m_outcomes.size(); }

    Outcomes m_outcomes;
    Candidates m_lows;   // rising times: the front is the minimum
    Candidates m_highs;  // falling times: the front is the maximum
    std::uint64_t m_nextSequence = 0;
    std::optional<std::uint64_t> m_lastReplySequence;
    int m_replies = 0;
    std::int64_t m_sum = 0;
    std::int64_t m_stepSum = 0;
    int m_steps = 0;
    QDateTime m_lastReply;
    QDateTime m_lastLoss;
    int m_notSent = 0;
    QDateTime m_lastNotSent;
};
