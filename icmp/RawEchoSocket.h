#pragma once

#include "icmp/HelperRequest.h"

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <memory>
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

    // Sends each echo: errors[i] becomes 0 or the errno of its failed send,
    // sentNs[i] the wall clock just before it left. Echoes with the same
    // options leave together, in one system call where the kernel takes
    // them all.
    void send(std::span<const HelperRequest> requests, std::span<int> errors, std::span<std::int64_t> sentNs);

    struct Packet {
        std::span<const std::uint8_t> bytes;  // the IPv4 datagram or the ICMPv6 message
        std::array<std::uint8_t, 16> source{};
        std::uint8_t hopLimit = 0;            // IPv6 only; IPv4 has it in the header
        std::uint8_t trafficClass = 0;
        std::int64_t arrivedNs = 0;           // the kernel's receive stamp, 0 when none
    };
    // As many queued packets as fit, in one system call, valid until the
    // next call; more: the queue may hold others.
    static constexpr std::size_t Batch = 16;
    std::size_t receive(std::array<Packet, Batch>& packets, bool& more);

private:
    int applyOptions(const HelperRequest& request);
    void sendRun(std::size_t first, std::size_t end, std::span<int> errors, std::span<std::int64_t> sentNs);
    bool readPacket(const mmsghdr& message, std::size_t slot, Packet& packet) const;

    bool m_v6;
    int m_fd = -1;
    int m_openError = 0;
    // Per echo of a send: its packet, where it goes, and the message.
    std::vector<std::vector<std::uint8_t>> m_packets;
    std::vector<sockaddr_storage> m_destinations;
    std::vector<iovec> m_sendVectors;
    std::vector<mmsghdr> m_sends;
    // Per packet of a read: room for any datagram, left untouched until the
    // kernel writes into it.
    std::unique_ptr<std::uint8_t[]> m_buffers;
    std::array<std::array<char, 256>, Batch> m_controls{};
    std::array<sockaddr_storage, Batch> m_sources{};
    std::array<iovec, Batch> m_receiveVectors{};
    std::array<mmsghdr, Batch> m_receives{};
    // The options of the last send, so that only a change costs a system call.
    std::optional<std::array<std::uint8_t, 3>> m_applied;
};
