#include "ping/EchoExchange.h"

#include "ping/StopSignal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

// One echo waiting for its answer. The receiver fills in the answer under
// the exchange's lock and then rings the bell.
struct EchoWaiter {
    EchoExpectation expected;
    std::optional<EchoAnswer> answer;
    Clock::time_point answeredAt;
    std::int64_t arrivedNs = 0;
    int bell = -1;
};

namespace {

std::mutex sharedMutex;
std::array<std::shared_ptr<EchoExchange>, 2> kept;  // IPv4, IPv6

// Whole milliseconds, truncated, from the send to the answer's arrival. The
// kernel's receive stamp leaves out how long the receiver took to be
// scheduled; being on the wall clock, it is trusted only within what the
// monotonic clock measured, so that a clock step cannot distort a sample.
std::uint32_t roundTripMs(Clock::duration monotonic, std::int64_t sentNs, std::int64_t arrivedNs)
{
    auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(monotonic).count();
    if (arrivedNs != 0 && arrivedNs >= sentNs && arrivedNs - sentNs <= elapsed)
        elapsed = arrivedNs - sentNs;
    return static_cast<std::uint32_t>(std::max<std::int64_t>(elapsed, 0) / 1000000);
}

void ring(int fd)
{
    const std::uint64_t one = 1;
    // EAGAIN means the counter is already non-zero: it rings either way.
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::vector<std::uint8_t> echoRequest(bool v6, std::uint16_t identifier, std::uint16_t sequence,
                                      std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> packet(EchoReplyParser::IcmpHeaderSize + payload.size());
    packet[0] = v6 ? 128 : 8;  // echo request
    packet[4] = static_cast<std::uint8_t>(identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(identifier);
    packet[6] = static_cast<std::uint8_t>(sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(sequence);
    std::ranges::copy(payload, packet.begin() + EchoReplyParser::IcmpHeaderSize);
    // The kernel sums ICMPv6 itself, over a pseudo-header we cannot know.
    if (v6)
        return packet;
    const std::uint16_t sum = EchoReplyParser::checksum(packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    return packet;
}

std::size_t recordSize(bool v6)
{
    return v6 ? sizeof(Icmpv6EchoReply) : sizeof(IcmpEchoReply);
}

// The family's own fields of the reply record.
void fillFamilyFields(IcmpEchoReply& record, const EchoAnswer& answer)
{
    record.Address = answer.source;
    record.Options.Ttl = answer.ttl;
    record.Options.Tos = answer.tos;
    record.Options.Flags = answer.flags;
    if (answer.status == IpStatus::Success)
        record.DataOffset = sizeof record;
}

void fillFamilyFields(Icmpv6EchoReply& record, const EchoAnswer& answer)
{
    record.Address = answer.source6;
    record.HopLimit = answer.ttl;
    record.TrafficClass = answer.tos;
}

// The reply record of the echo service, from what answered our echo, and
// behind it the echoed data.
template <typename Record>
void writeRecord(const EchoAnswer& answer, std::uint32_t roundTripMs, std::span<const std::uint8_t> payload,
                 void* replyBuffer, std::uint32_t replySize)
{
    Record record;
    fillFamilyFields(record, answer);
    record.Status = answer.status;
    record.RoundTripTime = roundTripMs;
    if (answer.status == IpStatus::Success) {
        record.DataSize = answer.dataSize;
        // The parser accepted the reply only if its data equals ours.
        std::memcpy(static_cast<std::uint8_t*>(replyBuffer) + sizeof record, payload.data(),
                    std::min<std::size_t>(replySize - sizeof record, payload.size()));
    }
    std::memcpy(replyBuffer, &record, sizeof record);
}

}

std::shared_ptr<EchoExchange> EchoExchange::shared(bool v6)
{
    const std::lock_guard lock(sharedMutex);
    auto& exchange = kept[v6 ? 1 : 0];
    if (!exchange) {
        auto socket = IcmpSocket::open(v6, EchoSequences::processIdentifier());
        if (socket)
            exchange.reset(new EchoExchange(std::move(socket)));
    }
    return exchange;
}

void EchoExchange::forget()
{
    std::array<std::shared_ptr<EchoExchange>, 2> last;
    const std::lock_guard lock(sharedMutex);
    last.swap(kept);
}

EchoExchange::EchoExchange(std::unique_ptr<IcmpSocket> socket)
    : m_socket(std::move(socket))
    , m_identifier(EchoSequences::processIdentifier())
    , m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_receiver([this] { receiveLoop(); })
{
}

EchoExchange::~EchoExchange()
{
    ring(m_stopFd);
    m_receiver.join();
    close(m_stopFd);
}

void EchoExchange::receiveLoop()
{
    ReceivedPacket packet;
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{m_socket->fd(), POLLIN, 0}, pollfd{m_stopFd, POLLIN, 0}};
        if (poll(fds.data(), fds.size(), -1) < 0)
            continue;  // EINTR; nothing else can fail on two valid descriptors
        if (fds[1].revents & POLLIN)
            return;
        // Everything queued now is read now: a wake-up per packet would
        // fall behind a burst, and a full queue drops answers.
        while (m_socket->receiveError(packet))
            deliver(packet);
        while (m_socket->receive(packet))
            deliver(packet);
    }
}

void EchoExchange::deliver(const ReceivedPacket& packet)
{
    const auto arrived = Clock::now();
    const auto sequence = EchoReplyParser::sequenceOf(packet);
    if (!sequence)
        return;
    const std::lock_guard lock(m_waiters);
    EchoWaiter* waiter = m_sequences.holder(*sequence);
    // A duplicate or a late second report changes nothing: the first
    // answer is the one the echo service keeps.
    if (!waiter || waiter->answer)
        return;
    waiter->answer = EchoReplyParser::parse(packet, waiter->expected);
    if (!waiter->answer)
        return;
    waiter->answeredAt = arrived;
    waiter->arrivedNs = packet.arrivedNs;
    ring(waiter->bell);
}

void EchoExchange::forgetWaiter(std::uint16_t sequence)
{
    const std::lock_guard lock(m_waiters);
    m_sequences.release(sequence);
}

std::uint32_t EchoExchange::echo(const IcmpDestination& destination, std::span<const std::uint8_t> payload,
                                 const IpOptionInformation& options, void* replyBuffer, std::uint32_t replySize,
                                 std::uint32_t timeoutMs, std::uint32_t& status)
{
    const bool v6 = m_socket->v6();
    if (replySize < recordSize(v6)) {
        status = IpStatus::BufTooSmall;
        return 0;
    }
    EchoWaiter waiter;
    waiter.expected.v6 = v6;
    waiter.expected.target = destination.v4;
    waiter.expected.target6 = destination.v6address;
    waiter.expected.identifier = m_identifier;
    // A datagram socket's identifier is the kernel's; it delivers us only
    // replies that carry it.
    waiter.expected.checkIdentifier = m_socket->kind() == IcmpSocket::Kind::Raw;
    waiter.expected.payload = payload;
    waiter.bell = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (waiter.bell < 0) {
        status = IpStatus::NoResources;
        return 0;
    }
    struct Bell {
        int fd;
        ~Bell() { close(fd); }
    } bell{waiter.bell};

    std::optional<std::uint16_t> sequence;
    {
        const std::lock_guard lock(m_waiters);
        sequence = m_sequences.hold(&waiter);
    }
    if (!sequence) {
        status = IpStatus::NoResources;
        return 0;
    }
    waiter.expected.sequence = *sequence;
    struct Held {
        EchoExchange& exchange;
        std::uint16_t sequence;
        ~Held() { exchange.forgetWaiter(sequence); }
    } held{*this, *sequence};

    const auto request = echoRequest(v6, m_identifier, *sequence, payload);
    SendTime sent;
    if ((status = m_socket->send(destination, request, options, sent)) != IpStatus::Success)
        return 0;
    const auto deadline = sent.steady + std::chrono::milliseconds(timeoutMs);

    const StopSignal* stop = StopSignal::current();
    for (;;) {
        {
            const std::lock_guard lock(m_waiters);
            if (waiter.answer) {
                status = waiter.answer->status;
                if (waiter.answer->refusedLocally)
                    return 0;
                const auto rtt = roundTripMs(waiter.answeredAt - sent.steady, sent.wallNs, waiter.arrivedNs);
                (v6 ? writeRecord<Icmpv6EchoReply> : writeRecord<IcmpEchoReply>)(*waiter.answer, rtt, payload,
                                                                                replyBuffer, replySize);
                return 1;
            }
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            status = IpStatus::RequestTimedOut;
            return 0;
        }
        std::array<pollfd, 2> fds{pollfd{waiter.bell, POLLIN, 0}, pollfd{stop ? stop->fd() : -1, POLLIN, 0}};
        if (poll(fds.data(), fds.size(), static_cast<int>(left)) < 0 && errno != EINTR) {
            status = IpStatus::GeneralFailure;
            return 0;
        }
        if (fds[1].revents & POLLIN) {
            // Our owner is shutting down; nobody will read this outcome.
            status = IpStatus::GeneralFailure;
            return 0;
        }
    }
}
