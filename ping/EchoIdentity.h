#pragma once

#include <cstdint>

// Sequence bookkeeping for echoes sent on raw sockets.
//
// A raw ICMP socket receives every ICMP packet that reaches the machine, so
// our own concurrent echoes, other programs' pings and a second instance of
// this program all arrive on each of our sockets. Identifiers keep this
// process's live echoes apart (no two live raw sockets share one, and the
// process id is mixed in so another process is unlikely to use the same),
// and a random sequence number per echo keeps apart everything the
// identifier alone cannot: stale replies to an earlier echo, other
// instances, and forged answers that guess the identifier.
class EchoIdentity {
public:
    static std::uint16_t acquireIdentifier();
    static void releaseIdentifier(std::uint16_t identifier);
    static std::uint16_t randomSequence();
};
