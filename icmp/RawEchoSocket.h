#pragma once

#include "icmp/HelperRequest.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One raw ICMP (or ICMPv6) socket of the helper: it sends the echoes its
// requests ask for, building their header itself, and reads what the kernel
// lets through its filter.
class RawEchoSocket {
public:
    // Opens, filters and locks the filter; -1 as fd() with errno set when
    // the socket cannot be had (no privilege, no IPv6).
    RawEchoSocket(bool v6, std::uint16_t identifier);
    ~RawEchoSocket();
    RawEchoSocket(const RawEchoSocket&) = delete;
    RawEchoSocket& operator=(const RawEchoSocket&) = delete;

    int fd() const { return m_fd; }
    int openError() const { return m_openError; }

    // 0, or the errno of the failed send. sentNs: the wall clock just
    // before the echo left.
    int send(const HelperRequest& request, std::int64_t& sentNs);

    struct Packet {
        std::span<const std::uint8_t> bytes;  // the IPv4 datagram or the ICMPv6 message
        std::array<std::uint8_t, 16> source{};
        std::uint8_t hopLimit = 0;            // IPv6 only; IPv4 has it in the header
        std::uint8_t trafficClass = 0;
        std::int64_t arrivedNs = 0;           // the kernel's receive stamp, 0 when none
    };
    // The next packet in the queue, valid until the next call; false when
    // the queue is empty.
    bool receive(Packet& packet);

private:
    int applyOptions(const HelperRequest& request);

    bool m_v6;
    int m_fd = -1;
    int m_openError = 0;
    std::vector<std::uint8_t> m_packet;
    std::vector<std::uint8_t> m_buffer;
    std::vector<char> m_control;
    // The options of the last send, so that only a change costs a system call.
    std::optional<std::array<std::uint8_t, 3>> m_applied;
};
