#pragma once

#include "ping/EchoSequences.h"
#include "ping/IcmpSocket.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

// The process's one ICMP socket and the receiver that serves every echo on
// it. An echo takes a sequence number, sends, and sleeps; the receiver
// drains every queued packet at each wake-up into one reused buffer and
// wakes the echo that a reply or report belongs to. So no packet is read
// twice, however many echoes are in flight, and opening an echo costs no
// socket.
class EchoExchange {
public:
    // One per address family, opened on first use and kept: the kind of
    // socket is chosen once. Null when no ICMP socket can be had (no
    // permission); the next call tries again.
    static std::shared_ptr<EchoExchange> shared(bool v6 = false);

    // Lets go of the kept exchanges, so that the next use chooses the socket
    // kind afresh; echoes that hold one finish on it first.
    static void forget();

    ~EchoExchange();
    EchoExchange(const EchoExchange&) = delete;
    EchoExchange& operator=(const EchoExchange&) = delete;

    IcmpSocket::Kind kind() const { return m_socket->kind(); }

    // One echo, as the echo service's SendEcho: the number of reply records
    // written to replyBuffer (0 or 1), and the IP status code.
    // An IPv6 echo writes an Icmpv6EchoReply record instead.
    std::uint32_t echo(const IcmpDestination& destination, std::span<const std::uint8_t> payload,
                       const IpOptionInformation& options, void* replyBuffer, std::uint32_t replySize,
                       std::uint32_t timeoutMs, std::uint32_t& status);

private:
    explicit EchoExchange(std::unique_ptr<IcmpSocket> socket);

    void receiveLoop();
    void deliver(const ReceivedPacket& packet);
    void forgetWaiter(std::uint16_t sequence);

    std::unique_ptr<IcmpSocket> m_socket;
    std::uint16_t m_identifier;
    int m_stopFd;
    std::mutex m_waiters;
    EchoSequences m_sequences;
    std::thread m_receiver;
};
