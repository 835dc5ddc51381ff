#pragma once

#include "FileDescriptor.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// Receives every ICMP echo request addressed to this network namespace,
// stamped with the moment the kernel took it off the wire.
class EchoListener {
public:
    struct Arrival {
        std::vector<std::uint8_t> datagram;
        std::chrono::steady_clock::time_point arrived;
    };

    EchoListener();

    int fd() const { return socket_.get(); }
    // Empty once no datagram is waiting.
    std::optional<Arrival> receive();

private:
    FileDescriptor socket_;
    std::vector<std::uint8_t> buffer_;
};
