#pragma once

#include "ping/EchoReplyParser.h"
#include "ping/EchoService.h"
#include "ping/IcmpFamily.h"

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// When a message left: on the monotonic clock, and on the wall clock that
// the kernel's receive stamps use.
struct SendTime {
    std::chrono::steady_clock::time_point steady;
    std::int64_t wallNs = 0;
};

// The ICMP socket of the Linux echo service, one per address family. Prefers the unprivileged
// datagram ("ping") socket and falls back to a raw socket where the kernel
// does not grant the former to our group. Used by one thread.
class IcmpSocket {
public:
    enum class Kind { Datagram, Raw };

    // rawIdentifier is what a raw socket's kernel filter lets through; a
    // datagram socket gets its identifier from the kernel.
    // A raw socket of the family that openEarly() kept comes first.
    static std::unique_ptr<IcmpSocket> open(bool v6, std::uint16_t rawIdentifier);
    // Opens and keeps a raw socket of each family, for a program that is
    // about to give up the privilege that raw sockets need.
    static void openEarly(std::uint16_t rawIdentifier);
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    Kind kind() const { return m_kind; }
    const IcmpFamily& family() const { return m_family; }
    int fd() const { return m_fd; }

    // Sends one ICMP message with the options of its echo; an IP status
    // code. sent is read just before the message goes, after any wait for
    // the socket, so that the round trip counts none of it.
    std::uint32_t send(const IcmpDestination& destination, std::span<const std::uint8_t> message,
                       const IpOptionInformation& options, SendTime& sent);

    // Reads the next queued packet into a buffer of the socket's own, valid
    // until the next read; false when the queue is empty.
    bool receive(ReceivedPacket& packet);
    bool receiveError(ReceivedPacket& packet);

private:
    // A router's report leaves its error pending on the socket, and the next
    // send or read fails with it once; this many attempts get past those
    // that a burst of reports leaves.
    static constexpr int AttemptsPastPendingReports = 3;

    IcmpSocket(int fd, Kind kind, const IcmpFamily& family, bool kept);

    // One message read into the socket's buffers, with its sender (or, from
    // the error queue, its original destination) and ancillary data.
    struct Message {
        sockaddr_storage from;
        iovec iov;
        msghdr msg;
    };
    // The message's length; -1 when nothing is queued.
    ssize_t read(Message& m, int flags);

    std::uint32_t applyOptions(const IpOptionInformation& options);
    bool receiveMessage(ReceivedPacket& packet);

    int m_fd;
    Kind m_kind;
    const IcmpFamily& m_family;
    bool m_kept;  // one of openEarly()'s
    std::vector<std::uint8_t> m_buffer;
    std::vector<char> m_control;

    // TTL, type of service and "don't fragment" are options of the socket,
    // not of the packet: each send sets them, and only what differs from
    // the last send costs a system call.
    std::optional<IpOptionInformation> m_applied;
};
