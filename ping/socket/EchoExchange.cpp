#include "ping/socket/EchoExchange.h"

#include "ping/EngineTurn.h"
#include "ping/FinishedEcho.h"
#include "packet/InternetChecksum.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <numeric>
#include <optional>

// One echo in flight: what it expects, where its answer goes, and, for a
// source quench, the report it keeps until its time-out in case the real
// answer still comes.
struct EchoWaiter {
    EchoExpectation expected;
    void* replyBuffer = nullptr;
    std::uint32_t replySize = 0;
    SendTime sent;
    std::chrono::nanoseconds timeout{};
    std::chrono::steady_clock::time_point deadline;
    EchoFinished finished;
    bool done = false;
    std::optional<EchoAnswer> quench;
    std::chrono::nanoseconds quenchCameAfter{};
};

// Owned by the caller; ending it lets go of the sequence and of the
// caller's buffers.
class EchoExchange::Echo final : public EchoInFlight {
public:
    Echo(std::shared_ptr<EchoExchange> exchange, std::uint16_t sequence)
        : m_exchange(std::move(exchange))
        , m_sequence(sequence)
    {
    }
    ~Echo() override { m_exchange->release(m_sequence); }

private:
    std::shared_ptr<EchoExchange> m_exchange;
    std::uint16_t m_sequence;
};

// Everything one wake-up read, copied out of the socket's buffer so that it
// can be put in the order the kernel received it. Reused from wake-up to
// wake-up.
struct EchoExchange::Batch {
    static constexpr std::size_t MaxPackets = 256;
    struct Entry {
        ReceivedPacket packet;
        std::vector<std::uint8_t> bytes;
    };
    std::array<Entry, MaxPackets> entries;
    std::array<std::size_t, MaxPackets> order;
    std::size_t size = 0;

    void add(const ReceivedPacket& packet)
    {
        Entry& e = entries[size++];
        e.bytes.assign(packet.bytes.begin(), packet.bytes.end());
        e.packet = packet;
        e.packet.bytes = e.bytes;
    }

    // Reports and replies sit in two queues; read one after the other, a
    // report could overtake the reply that came before it. Messages the
    // kernel gave no stamp keep their place after the stamped ones.
    void sortByArrival()
    {
        const auto key = [this](std::size_t i) {
            const auto ns = entries[i].packet.arrivedNs;
            return ns != 0 ? ns : std::numeric_limits<std::int64_t>::max();
        };
        std::iota(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(size), std::size_t{0});
        std::stable_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(size),
                         [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    }
};

namespace {

using Clock = std::chrono::steady_clock;

std::mutex sharedMutex;
std::array<std::shared_ptr<EchoExchange>, 2> kept;  // IPv4, IPv6

// How long after the send the answer arrived. The kernel's receive stamp
// leaves out how long the event loop took to get round to the socket, a
// stall of the whole program included; being on the wall clock, it is
// trusted only within what the monotonic clock measured, so that a clock
// step cannot distort a sample.
std::chrono::nanoseconds cameAfter(Clock::duration monotonic, std::int64_t sentNs, std::int64_t arrivedNs)
{
    const auto measured = std::max(std::chrono::duration_cast<std::chrono::nanoseconds>(monotonic),
                                   std::chrono::nanoseconds::zero());
    if (arrivedNs != 0 && arrivedNs >= sentNs && arrivedNs - sentNs <= measured.count())
        return std::chrono::nanoseconds(arrivedNs - sentNs);
    return measured;
}

std::vector<std::uint8_t> echoRequest(const IcmpFamily& family, std::uint16_t identifier, std::uint16_t sequence,
                                      std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> packet(EchoReplyParser::IcmpHeaderSize + payload.size());
    packet[0] = family.echoRequestType;
    packet[4] = static_cast<std::uint8_t>(identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(identifier);
    packet[6] = static_cast<std::uint8_t>(sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(sequence);
    std::ranges::copy(payload, packet.begin() + EchoReplyParser::IcmpHeaderSize);
    if (family.kernelSums)
        return packet;
    const std::uint16_t sum = internetChecksum(packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    return packet;
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
    auto& exchange = kept[IcmpFamily::of(v6).index];
    // Echoes in flight on a lost helper end on it; new ones need a new one.
    if (exchange && exchange->m_socket->lost())
        exchange.reset();
    if (!exchange) {
        auto socket = IcmpSocket::open(v6);
        if (!socket)
            return nullptr;
        exchange.reset(new EchoExchange(std::move(socket)));
        // Its notifier and timer belong to the application's event loop and
        // must go before the application does.
        qAddPostRoutine(&EchoExchange::forget);
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
    , m_identifier(m_socket->identifier())
    , m_writeRecord(m_socket->family().v6 ? writeRecord<Icmpv6EchoReply> : writeRecord<IcmpEchoReply>)
    , m_notifier(std::make_unique<QSocketNotifier>(m_socket->fd(), QSocketNotifier::Read))
    , m_timer(std::make_unique<QTimer>())
    , m_batch(std::make_unique<Batch>())
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &m_home,
                     [this] { EngineTurn::run([this] { drain(); }); });
    QObject::connect(m_timer.get(), &QTimer::timeout, &m_home, [this] { EngineTurn::run([this] { expire(); }); });
}

EchoExchange::~EchoExchange() = default;

std::unique_ptr<EchoInFlight> EchoExchange::start(const IcmpDestination& destination,
                                                  std::span<const std::uint8_t> payload,
                                                  const IpOptionInformation& options, void* replyBuffer,
                                                  std::uint32_t replySize, std::uint32_t timeoutMs,
                                                  EchoFinished finished)
{
    const IcmpFamily& family = m_socket->family();
    if (replySize < family.replyRecordSize)
        return std::make_unique<FinishedEcho>(std::move(finished), IpStatus::BufTooSmall);
    auto waiter = std::make_unique<EchoWaiter>();
    const auto sequence = m_sequences.hold(waiter.get());
    if (!sequence)
        return std::make_unique<FinishedEcho>(std::move(finished), IpStatus::NoResources);
    EchoWaiter& w = *waiter.release();
    auto echo = std::make_unique<Echo>(shared_from_this(), *sequence);

    w.expected.v6 = family.v6;
    w.expected.target = destination.v4;
    w.expected.target6 = destination.v6address;
    w.expected.identifier = m_identifier;
    // A datagram socket's identifier is the kernel's; it delivers us only
    // replies that carry it.
    w.expected.checkIdentifier = m_socket->kind() == IcmpSocket::Kind::Helper;
    w.expected.payload = payload;
    w.expected.sequence = *sequence;
    w.replyBuffer = replyBuffer;
    w.replySize = replySize;

    const auto request = echoRequest(family, m_identifier, *sequence, payload);
    if (const auto status = m_socket->send(destination, request, options, w.sent); status != IpStatus::Success) {
        echo.reset();
        return std::make_unique<FinishedEcho>(std::move(finished), status);
    }
    w.finished = std::move(finished);
    w.timeout = std::chrono::milliseconds(timeoutMs);
    w.deadline = w.sent.steady + w.timeout;
    m_deadlines.emplace(w.deadline, *sequence);
    scheduleNextDeadline();
    return echo;
}

void EchoExchange::drain()
{
    // A completion may let go of the last echo that holds this exchange.
    const auto self = shared_from_this();
    Batch& batch = *m_batch;
    ReceivedPacket packet;
    for (;;) {
        // Everything queued now is read now: a wake-up per packet would
        // fall behind a burst, and a full queue drops answers.
        // A datagram socket is read no further than the echoes waiting for
        // answers: the kernel queues it nothing but our own, whatever else
        // waits keeps it readable, and one more read would only learn that
        // nothing does. The helper's messages come in batches of their own.
        const std::size_t wanted = m_socket->kind() == IcmpSocket::Kind::Helper
                                       ? Batch::MaxPackets
                                       : std::clamp<std::size_t>(m_deadlines.size(), 1, Batch::MaxPackets);
        // A read that finds a report pending stops: the reports are read
        // before the answers behind them, and with a report in the batch
        // every answer queued is read too, so that none that came before
        // it is left for later.
        batch.size = 0;
        std::size_t answers = 0;
        const auto answersWanted = [&] { return answers < wanted || batch.size > answers; };
        do {
            while (batch.size < Batch::MaxPackets && m_socket->receiveError(packet))
                batch.add(packet);
            while (answersWanted() && batch.size < Batch::MaxPackets && m_socket->receive(packet)) {
                batch.add(packet);
                ++answers;
            }
        } while (m_socket->reportsWaiting() && answersWanted() && batch.size < Batch::MaxPackets);
        if (batch.size == 0)
            return;
        const auto arrived = Clock::now();
        batch.sortByArrival();
        for (std::size_t i = 0; i < batch.size; ++i)
            deliver(batch.entries[batch.order[i]].packet, arrived);
        if (batch.size < Batch::MaxPackets)
            return;
    }
}

void EchoExchange::deliver(const ReceivedPacket& packet, Clock::time_point arrived)
{
    const auto sequence = EchoReplyParser::sequenceOf(packet);
    if (!sequence)
        return;
    EchoWaiter* w = m_sequences.holder(*sequence);
    // A duplicate or a late second report changes nothing: the first
    // answer is the one the echo service keeps.
    if (!w || w->done)
        return;
    const auto answer = EchoReplyParser::parse(packet, w->expected);
    if (!answer)
        return;
    // However late the loop reads it, an answer that the kernel received
    // after the time-out is a time-out.
    const auto after = cameAfter(arrived - w->sent.steady, w->sent.wallNs, packet.arrivedNs);
    if (after > w->timeout) {
        finish(*sequence, 0, IpStatus::RequestTimedOut);
        return;
    }
    // Hosts ignore source quench; the echo waits on for its answer, and the
    // quench stands only when nothing else came.
    if (answer->status == IpStatus::SourceQuench) {
        if (!w->quench) {
            w->quench = answer;
            w->quenchCameAfter = after;
        }
        return;
    }
    if (answer->refusedLocally) {
        finish(*sequence, 0, answer->status);
        return;
    }
    answerEcho(*sequence, *answer, after);
}

void EchoExchange::expire()
{
    const auto self = shared_from_this();
    // After a stall the deadlines can come due before the socket is read:
    // the answers queued meanwhile count by when they came, not after.
    drain();
    const auto now = Clock::now();
    while (!m_deadlines.empty() && m_deadlines.begin()->first <= now) {
        const std::uint16_t sequence = m_deadlines.begin()->second;
        EchoWaiter& w = *m_sequences.holder(sequence);
        if (w.quench) {
            answerEcho(sequence, *w.quench, w.quenchCameAfter);
        } else {
            finish(sequence, 0, IpStatus::RequestTimedOut);
        }
    }
    scheduleNextDeadline();
}

// The reply record of what answered, in whole milliseconds, truncated.
void EchoExchange::answerEcho(std::uint16_t sequence, const EchoAnswer& answer, std::chrono::nanoseconds cameAfter)
{
    EchoWaiter& w = *m_sequences.holder(sequence);
    const auto rtt = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(cameAfter).count());
    m_writeRecord(answer, rtt, w.expected.payload, w.replyBuffer, w.replySize);
    finish(sequence, 1, answer.status);
}

// The waiter stays held until its caller lets go of the echo, so that its
// sequence is not drawn again while a late answer could still claim it.
void EchoExchange::finish(std::uint16_t sequence, std::uint32_t count, std::uint32_t status)
{
    EchoWaiter& w = *m_sequences.holder(sequence);
    m_deadlines.erase({w.deadline, sequence});
    w.done = true;
    const EchoFinished finished = std::move(w.finished);
    // The caller may let go of the echo inside; w is not touched after.
    finished(count, status);
}

void EchoExchange::release(std::uint16_t sequence)
{
    EchoWaiter* w = m_sequences.holder(sequence);
    if (!w)
        return;
    if (!w->done)
        m_deadlines.erase({w->deadline, sequence});
    m_sequences.release(sequence);
    delete w;
}

void EchoExchange::scheduleNextDeadline()
{
    if (m_deadlines.empty()) {
        m_timer->stop();
        return;
    }
    // Echoes of one tick share their time-out: most sends leave the first
    // deadline where it was, and the timer need not be set again.
    const auto first = m_deadlines.begin()->first;
    if (m_timer->isActive() && first == m_armedFor)
        return;
    m_armedFor = first;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now());
    m_timer->start(static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
}
