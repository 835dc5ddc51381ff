#pragma once

#include "FileDescriptor.h"
#include "ReceivedRequest.h"

#include <cstdint>
#include <optional>
#include <vector>

// Receives every ICMP echo request addressed to this network namespace over
// IPv4, stamped with the moment the kernel took it off the wire.
class EchoListener {
public:
    EchoListener();

    int fd() const { return socket_.get(); }
    // Empty once no well-formed request is waiting.
    std::optional<ReceivedRequest> receive();

private:
    FileDescriptor socket_;
    std::vector<std::uint8_t> buffer_;
};
