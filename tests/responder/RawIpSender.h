#pragma once

#include "FileDescriptor.h"
#include "PlannedReply.h"

// Sends ICMP messages with a self-made IPv4 header, which lets one process
// answer for many addresses, and from an address other than the one asked.
class RawIpSender {
public:
    RawIpSender();

    // Failures are reported on stderr; a test host that cannot answer is
    // no reason to stop answering the others.
    void send(const PlannedReply &reply);

private:
    FileDescriptor socket_;
};
