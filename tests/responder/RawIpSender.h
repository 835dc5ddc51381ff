#pragma once

#include "FileDescriptor.h"
#include "PlannedReply.h"

#include <cstdint>
#include <span>

// Sends ICMP messages with a self-made IPv4 header, which lets one process
// answer for many addresses, and from an address other than the one asked.
class RawIpSender {
public:
    RawIpSender();

    // Failures are reported on stderr; a test host that cannot answer is
    // no reason to stop answering the others.
    void send(const PlannedReply &reply);

private:
    void sendFragment(const PlannedReply &reply, std::uint16_t identification, std::size_t offset,
                      std::span<const std::uint8_t> part, bool moreFragments);

    FileDescriptor socket_;
    std::uint16_t nextIdentification_ = 1;
};
