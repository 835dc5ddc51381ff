#pragma once

#include "ping/EchoService.h"
#include "ping/socket/EchoReplyParser.h"
#include "ping/socket/IcmpFamily.h"
#include "ping/socket/IcmpHelperProcess.h"

#include <sys/socket.h>

#include <array>
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
// datagram ("ping") socket; where the kernel does not grant it to our group,
// the ICMP helper (quorvane-icmp) serves as the socket, and its raw sockets
// stay in its process. Used by one thread.
class IcmpSocket {
public:
    enum class Kind { Datagram, Helper };

    // Null when neither can be had now.
    static std::unique_ptr<IcmpSocket> open(bool v6);
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    Kind kind() const { return m_kind; }
    const IcmpFamily& family() const { return m_family; }
    int fd() const { return m_fd; }
    // What the echoes' identifier is to be; a datagram socket's kernel puts
    // its own in its place.
    std::uint16_t identifier() const;
    // The helper has ended or cannot serve: a new socket is needed.
    bool lost() const { return m_helper && m_helper->lost(); }
    // The helper's process id, 0 for a datagram socket.
    pid_t helperPid() const { return m_helper ? m_helper->pid() : 0; }

    // Sends one ICMP message with the options of its echo; an IP status
    // code. sent is read just before the message goes, after any wait for
    // the socket, so that the round trip counts none of it.
    std::uint32_t send(const IcmpDestination& destination, std::span<const std::uint8_t> message,
                       const IpOptionInformation& options, SendTime& sent);

    // Reads the next queued packet into a buffer of the socket's own, valid
    // until the next read; false when the queue is empty.
    bool receive(ReceivedPacket& packet);
    bool receiveError(ReceivedPacket& packet);
    bool reportsWaiting() const { return m_reportsWaiting; }

    // Room for any IP datagram; a larger one is not an answer we asked for.
    static constexpr std::size_t ReceiveBufferSize = 65536 + 512;

private:
    // A router's report leaves its error pending on the socket, and the next
    // send or read fails with it once; this many attempts get past those
    // that a burst of reports leaves.
    static constexpr int AttemptsPastPendingReports = 3;

    IcmpSocket(int fd, const IcmpFamily& family);
    IcmpSocket(std::unique_ptr<IcmpHelperProcess> helper, const IcmpFamily& family);

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
    std::uint32_t sendToHelper(const IcmpDestination& destination, std::span<const std::uint8_t> message,
                               const IpOptionInformation& options, SendTime& sent);
    bool receiveFromHelper(ReceivedPacket& packet);
    bool readFromHelper(std::span<const std::uint8_t> message, ReceivedPacket& packet);

    int m_fd;
    Kind m_kind;
    const IcmpFamily& m_family;
    std::unique_ptr<IcmpHelperProcess> m_helper;
    // A send or read failed with a pending report, whose message waits in
    // the error queue: only then is the queue read, which otherwise costs
    // a read per wake-up that finds nothing.
    bool m_reportsWaiting = false;
    std::vector<std::uint8_t> m_request;  // to the helper
    // The helper's messages, read as many at a time as have come, each
    // with room for the largest, untouched until the kernel writes into it.
    static constexpr std::size_t HelperBatch = 16;
    struct HelperMessages {
        std::unique_ptr<std::uint8_t[]> buffers;
        std::array<iovec, HelperBatch> vectors{};
        std::array<mmsghdr, HelperBatch> headers{};
        std::size_t count = 0;
        std::size_t next = 0;
        bool queueEmpty = false;  // the last read was short: nothing is left
    };
    std::unique_ptr<HelperMessages> m_fromHelper;
    std::vector<std::uint8_t> m_buffer;
    std::vector<char> m_control;

    // TTL, type of service and "don't fragment" are options of the socket,
    // not of the packet: each send sets them, and only what differs from
    // the last send costs a system call.
    std::optional<IpOptionInformation> m_applied;
};
