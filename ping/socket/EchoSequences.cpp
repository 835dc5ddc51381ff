#include "ping/socket/EchoSequences.h"

#include <unistd.h>

std::uint16_t EchoSequences::processIdentifier()
{
    // Spread neighbouring process ids over the identifier space, so that
    // two programs started one after the other do not differ in one bit only.
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(getpid()) * 40503u);
}

std::optional<std::uint16_t> EchoSequences::hold(EchoWaiter* waiter)
{
    if (m_live.size() >= SequenceCount)
        return std::nullopt;
    // With nearly every sequence live, the resting ones are all that is left.
    const bool mayRest = m_live.size() + m_restingCount < SequenceCount;
    for (;;) {
        const auto candidate = static_cast<std::uint16_t>(m_random());
        if (mayRest && m_resting.test(candidate))
            continue;
        if (m_live.try_emplace(candidate, waiter).second)
            return candidate;
    }
}

void EchoSequences::release(std::uint16_t sequence)
{
    if (m_live.erase(sequence) == 0)
        return;
    std::uint16_t& slot = m_released[m_nextReleased];
    if (m_restingCount == Resting)
        m_resting.reset(slot);
    else
        ++m_restingCount;
    slot = sequence;
    m_resting.set(sequence);
    m_nextReleased = (m_nextReleased + 1) % Resting;
}

EchoWaiter* EchoSequences::holder(std::uint16_t sequence) const
{
    const auto found = m_live.find(sequence);
    return found == m_live.end() ? nullptr : found->second;
}
