#pragma once

#include "FileDescriptor.h"
#include "PlannedReply.h"
#include "ReceivedRequest.h"

#include <cstdint>
#include <optional>
#include <vector>

// Receives every ICMPv6 echo request addressed to this network namespace and
// sends replies from whichever of its addresses a test host answers from.
// The kernel checks and computes ICMPv6 checksums itself on this socket: it
// drops requests with a bad one and fills in the replies'.
class Icmp6EchoSocket {
public:
    Icmp6EchoSocket();

    int fd() const { return socket_.get(); }
    // Empty once no well-formed request is waiting.
    std::optional<ReceivedRequest> receive();
    // Failures are reported on stderr, as for IPv4.
    void send(const PlannedReply &reply);

private:
    FileDescriptor socket_;
    std::vector<std::uint8_t> buffer_;
};
