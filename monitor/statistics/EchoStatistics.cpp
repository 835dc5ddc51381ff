#include "monitor/statistics/EchoStatistics.h"

#include <cstdlib>

void EchoStatistics::addReply(std::int32_t roundTripTime, const QDateTime& when)
{
    add({true, roundTripTime});
    m_lastReply = when;
}

void EchoStatistics::addLoss(const QDateTime& when)
{
    add({});
    m_lastLoss = when;
}

void EchoStatistics::addNotSent(const QDateTime& when)
{
    ++m_notSent;
    m_lastNotSent = when;
}

void EchoStatistics::clear()
{
    *this = EchoStatistics();
}

void EchoStatistics::add(const Outcome& outcome)
{
    if (m_outcomes.full())
        dropOldest();
    const std::uint64_t sequence = m_nextSequence;
    if (outcome.reply) {
        const std::int32_t rtt = outcome.roundTripTime;
        ++m_replies;
        m_sum += rtt;
        if (m_lastReplySequence && *m_lastReplySequence >= oldestSequence()) {
            Outcome& previous = m_outcomes[*m_lastReplySequence - oldestSequence()];
            previous.stepToNextReply = std::llabs(static_cast<std::int64_t>(rtt) - previous.roundTripTime);
            m_stepSum += previous.stepToNextReply;
            ++m_steps;
        }
        m_lastReplySequence = sequence;
        while (!m_lows.empty() && m_lows.back().roundTripTime >= rtt)
            m_lows.pop_back();
        m_lows.push_back({sequence, rtt});
        while (!m_highs.empty() && m_highs.back().roundTripTime <= rtt)
            m_highs.pop_back();
        m_highs.push_back({sequence, rtt});
    }
    m_outcomes.push_back(outcome);
    ++m_nextSequence;
}

void EchoStatistics::dropOldest()
{
    const std::uint64_t sequence = oldestSequence();
    const Outcome oldest = m_outcomes.front();
    m_outcomes.pop_front();
    if (!oldest.reply)
        return;
    --m_replies;
    m_sum -= oldest.roundTripTime;
    if (oldest.stepToNextReply >= 0) {
        m_stepSum -= oldest.stepToNextReply;
        --m_steps;
    }
    if (!m_lows.empty() && m_lows.front().sequence == sequence)
        m_lows.pop_front();
    if (!m_highs.empty() && m_highs.front().sequence == sequence)
        m_highs.pop_front();
}

std::optional<double> EchoStatistics::lossPercent() const
{
    if (m_outcomes.empty())
        return std::nullopt;
    return 100.0 * losses() / echoes();
}

std::optional<std::int32_t> EchoStatistics::minimum() const
{
    return m_lows.empty() ? std::nullopt : std::optional(m_lows.front().roundTripTime);
}

std::optional<std::int32_t> EchoStatistics::maximum() const
{
    return m_highs.empty() ? std::nullopt : std::optional(m_highs.front().roundTripTime);
}

std::optional<double> EchoStatistics::average() const
{
    if (m_replies == 0)
        return std::nullopt;
    return static_cast<double>(m_sum) / m_replies;
}

std::optional<double> EchoStatistics::jitter() const
{
    if (m_steps == 0)
        return std::nullopt;
    return static_cast<double>(m_stepSum) / m_steps;
}
