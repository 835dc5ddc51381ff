#pragma once

#include "ping/socket/EchoSequences.h"
#include "ping/socket/IcmpSocket.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

class QSocketNotifier;
class QTimer;

// The process's one ICMP socket per address family, and every echo in
// flight on it. Nothing here has a thread of its own: an echo is sent when
// it starts, a socket notifier on the owning thread's event loop drains
// replies and error reports when they arrive, and one timer ends the echo
// whose time-out comes first. A thread hop per echo would cost far more
// than the echo.
class EchoExchange : public std::enable_shared_from_this<EchoExchange> {
public:
    // One per address family, opened on first use and kept: the kind of
    // socket is chosen once. Null when no ICMP socket can be had (no
    // permission); the next call tries again. Used on one thread only, the
    // one whose event loop serves the echoes.
    static std::shared_ptr<EchoExchange> shared(bool v6 = false);

    // Lets go of the kept exchanges, so that the next use chooses the socket
    // kind afresh; echoes that hold one finish on it first.
    static void forget();

    ~EchoExchange();
    EchoExchange(const EchoExchange&) = delete;
    EchoExchange& operator=(const EchoExchange&) = delete;

    IcmpSocket::Kind kind() const { return m_socket->kind(); }
    // The ICMP helper serving as the socket, 0 for none.
    pid_t helperPid() const { return m_socket->helperPid(); }

    // One echo, as the echo service's StartEcho.
    std::unique_ptr<EchoInFlight> start(const IcmpDestination& destination, std::span<const std::uint8_t> payload,
                                        const IpOptionInformation& options, void* replyBuffer,
                                        std::uint32_t replySize, std::uint32_t timeoutMs, EchoFinished finished);

private:
    class Echo;
    struct Batch;
    using Clock = std::chrono::steady_clock;
    using Deadline = std::pair<Clock::time_point, std::uint16_t>;

    explicit EchoExchange(std::unique_ptr<IcmpSocket> socket);

    void drain();
    void deliver(const ReceivedPacket& packet, Clock::time_point arrived);
    void expire();
    void answerEcho(std::uint16_t sequence, const EchoAnswer& answer, std::chrono::nanoseconds cameAfter);
    void finish(std::uint16_t sequence, std::uint32_t count, std::uint32_t status);
    void release(std::uint16_t sequence);
    void scheduleNextDeadline();

    std::unique_ptr<IcmpSocket> m_socket;
    std::uint16_t m_identifier;
    // Writes the reply record of the socket's family.
    void (*m_writeRecord)(const EchoAnswer& answer, std::uint32_t roundTripMs, std::span<const std::uint8_t> payload,
                          void* replyBuffer, std::uint32_t replySize);
    EchoSequences m_sequences;
    std::set<Deadline> m_deadlines;
    Clock::time_point m_armedFor;  // the deadline the timer is set for
    // Receives the posted ends of echoes whose send failed, so that no
    // completion runs inside start().
    QObject m_home;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTimer> m_timer;
    std::unique_ptr<Batch> m_batch;
};
