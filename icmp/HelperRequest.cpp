#include "icmp/HelperRequest.h"

#include "icmp/EchoRate.h"
#include "icmp/HelperProtocol.h"

#include <algorithm>
#include <cerrno>

namespace {

using namespace HelperProtocol;

constexpr std::uint8_t EchoRequest4 = 8;
constexpr std::uint8_t EchoRequest6 = 128;

bool allZero(std::span<const std::uint8_t> bytes)
{
    return std::ranges::all_of(bytes, [](std::uint8_t b) { return b == 0; });
}

// Only one host may be asked: no group, no broadcast. A subnet's broadcast
// address is the kernel's to know: it refuses a broadcast route to a raw
// socket without SO_BROADCAST (EACCES), which the helper never sets.
bool reachesOneHost(const HelperRequest& r)
{
    if (!r.v6)
        return r.destination[0] < 224;  // not multicast, the reserved class or the limited broadcast
    if (r.destination[0] == 0xFF)       // multicast
        return false;
    // An IPv4-mapped (::ffff:a.b.c.d) or IPv4-compatible (::a.b.c.d) address
    // would reach IPv4 past every IPv4 rule; :: is no host. ::1 is one.
    const auto first = std::span(r.destination).first(10);
    const bool ipv4Shaped = allZero(first) && ((r.destination[10] == 0xFF && r.destination[11] == 0xFF)
                                               || (r.destination[10] == 0 && r.destination[11] == 0));
    const bool loopback = allZero(std::span(r.destination).first(15)) && r.destination[15] == 1;
    return !ipv4Shaped || loopback;
}

}

std::array<std::uint8_t, 8> HelperRequest::header() const
{
    return {type, 0, 0, 0, static_cast<std::uint8_t>(identifier >> 8), static_cast<std::uint8_t>(identifier),
            static_cast<std::uint8_t>(sequence >> 8), static_cast<std::uint8_t>(sequence)};
}

HelperRequest readHelperRequest(std::span<const std::uint8_t> m, const RequestRules& rules)
{
    HelperRequest r;
    if (m.size() < RequestHeaderSize) {
        r.refusal = EINVAL;
        return r;
    }
    r.v6 = m[1] == 6;
    r.type = m[2];
    r.ttl = m[4];
    r.tos = m[5];
    r.dontFragment = m[6] & FlagDontFragment;
    r.identifier = read16(m, 8);
    r.sequence = read16(m, 10);
    r.scope = read32(m, 12);
    std::copy_n(m.begin() + 16, r.destination.size(), r.destination.begin());
    r.engineSentNs = read64(m, 32);
    r.payload = m.subspan(RequestHeaderSize);

    const bool wellFormed = m[0] == RequestEcho && (m[1] == 4 || m[1] == 6) && m[3] == 0
        && (m[6] & ~FlagDontFragment) == 0 && m[7] == 0
        && (r.v6 || (r.scope == 0 && allZero(m.subspan(20, 12))));
    if (!wellFormed || r.type != (r.v6 ? EchoRequest6 : EchoRequest4) || r.identifier != rules.identifier)
        r.refusal = EINVAL;
    else if (r.payload.size() > MaxPayload)
        r.refusal = EMSGSIZE;
    else if (r.ttl == 0)
        r.refusal = EINVAL;
    else if (!reachesOneHost(r))
        r.refusal = EACCES;
    return r;
}

HelperRequest admitHelperRequest(std::span<const std::uint8_t> message, const RequestRules& rules, EchoRate& rate,
                                 std::chrono::steady_clock::time_point now)
{
    HelperRequest r = readHelperRequest(message, rules);
    if (r.refusal == 0 && !rate.take(now))
        r.refusal = EAGAIN;
    return r;
}
