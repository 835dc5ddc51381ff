#include "ping/EchoSequences.h"

#include <unistd.h>

namespace {
constexpr std::size_t SequenceCount = 65536;
}

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
    for (;;) {
        const auto candidate = static_cast<std::uint16_t>(m_random());
        if (m_live.try_emplace(candidate, waiter).second)
            return candidate;
    }
}

void EchoSequences::release(std::uint16_t sequence)
{
    m_live.erase(sequence);
}

EchoWaiter* EchoSequences::holder(std::uint16_t sequence) const
{
    const auto found = m_live.find(sequence);
    return found == m_live.end() ? nullptr : found->second;
}
