#include "ping/IcmpSocket.h"

#include "ping/RawIcmpFilter.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace {

// Room for any IP datagram; a larger one is not an answer we asked for.
constexpr std::size_t ReceiveBufferSize = 65536 + 512;
// Enough queue for every answer of a burst of echoes while a neighbour
// floods the machine with pings; the kernel caps it for the unprivileged.
constexpr int SocketQueueBytes = 4 * 1024 * 1024;
constexpr std::uint8_t DontFragmentFlag = 0x02;

int setIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value);
}

bool permissionRefused(int error)
{
    // These say "not for you" or "not on this kernel"; anything else (out of
    // descriptors, out of memory) would fail the raw socket just the same.
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT;
}

void enlargeReceiveQueue(int fd)
{
    // The forced size needs CAP_NET_ADMIN, which a root run has; otherwise
    // take what the kernel's limit allows.
    if (setIntOption(fd, SOL_SOCKET, SO_RCVBUFFORCE, SocketQueueBytes) < 0)
        setIntOption(fd, SOL_SOCKET, SO_RCVBUF, SocketQueueBytes);
}

// The options every socket of ours wants, whichever way it was opened.
void configure(int fd, IcmpSocket::Kind kind, const IcmpFamily& family)
{
    // Router reports reach a datagram socket only through its error queue;
    // a raw ICMPv6 socket gets them as messages, but the hop limit and class
    // of every reply only when asked. A raw IPv4 socket reads them all in
    // the IP header.
    const bool datagram = kind == IcmpSocket::Kind::Datagram;
    if (datagram)
        setIntOption(fd, family.level, family.receiveErrorsOption, 1);
    if (datagram || family.rawReadsMessages) {
        setIntOption(fd, family.level, family.receiveTtlOption, 1);
        setIntOption(fd, family.level, family.receiveTosOption, 1);
    }
    enlargeReceiveQueue(fd);
    setIntOption(fd, SOL_SOCKET, SO_TIMESTAMPNS, 1);
}

int openSocket(const IcmpFamily& family, int type)
{
    return socket(family.domain, type | SOCK_CLOEXEC | SOCK_NONBLOCK, family.protocol);
}

// The raw sockets opened while the program still had the privilege to,
// one per family (IPv4 first); -1 where there is none.
std::mutex keptMutex;
std::array<int, 2> keptSockets{-1, -1};

int takeKept(const IcmpFamily& family)
{
    const std::lock_guard lock(keptMutex);
    return std::exchange(keptSockets[family.index], -1);
}

}

void IcmpSocket::openEarly(std::uint16_t rawIdentifier)
{
    const std::lock_guard lock(keptMutex);
    for (const bool v6 : {false, true}) {
        const IcmpFamily& family = IcmpFamily::of(v6);
        int& kept = keptSockets[family.index];
        if (kept >= 0)
            continue;
        kept = openSocket(family, SOCK_RAW);
        if (kept < 0)
            continue;
        filterRawSocket(kept, family, rawIdentifier);
        configure(kept, Kind::Raw, family);
    }
}

std::unique_ptr<IcmpSocket> IcmpSocket::open(bool v6, std::uint16_t rawIdentifier)
{
    const IcmpFamily& family = IcmpFamily::of(v6);
    if (const int kept = takeKept(family); kept >= 0) {
        filterRawSocket(kept, family, rawIdentifier);
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(kept, Kind::Raw, family, true));
    }
    int fd = openSocket(family, SOCK_DGRAM);
    Kind kind = Kind::Datagram;
    if (fd < 0) {
        if (!permissionRefused(errno))
            return nullptr;
        fd = openSocket(family, SOCK_RAW);
        if (fd < 0)
            return nullptr;
        kind = Kind::Raw;
        filterRawSocket(fd, family, rawIdentifier);
    }
    configure(fd, kind, family);
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, kind, family, false));
}

IcmpSocket::IcmpSocket(int fd, Kind kind, const IcmpFamily& family, bool kept)
    : m_fd(fd)
    , m_kind(kind)
    , m_family(family)
    , m_kept(kept)
    , m_buffer(ReceiveBufferSize)
    , m_control(512)
{
}

IcmpSocket::~IcmpSocket()
{
    // Without the privilege it was opened with, a kept socket could not be
    // opened again: it goes back for the next open().
    if (m_kept) {
        const std::lock_guard lock(keptMutex);
        int& slot = keptSockets[m_family.index];
        if (slot < 0) {
            slot = m_fd;
            return;
        }
    }
    close(m_fd);
}

std::uint32_t IcmpSocket::applyOptions(const IpOptionInformation& options)
{
    // The kernel refuses a TTL of 0, and a packet that may not take one hop
    // cannot be sent: say so instead of quietly using another TTL.
    if (options.Ttl == 0)
        return IpStatus::BadOption;
    const bool dontFragment = options.Flags & DontFragmentFlag;
    const auto& last = m_applied;
    const IcmpFamily& f = m_family;
    if (!last || last->Ttl != options.Ttl) {
        if (setIntOption(m_fd, f.level, f.ttlOption, options.Ttl) < 0)
            return IpStatus::BadOption;
    }
    if (!last || last->Tos != options.Tos) {
        if (setIntOption(m_fd, f.level, f.tosOption, options.Tos) < 0)
            return IpStatus::BadOption;
    }
    if (!last || bool(last->Flags & DontFragmentFlag) != dontFragment) {
        if (setIntOption(m_fd, f.level, f.dontFragmentOption, dontFragment ? f.dontFragmentOn : f.dontFragmentOff) < 0)
            return IpStatus::BadOption;
    }
    m_applied = options;
    return IpStatus::Success;
}

std::uint32_t IcmpSocket::send(const IcmpDestination& destination, std::span<const std::uint8_t> message,
                               const IpOptionInformation& options, SendTime& sent)
{
    if (const auto status = applyOptions(options); status != IpStatus::Success) {
        m_applied.reset();
        return status;
    }
    sockaddr_storage to{};
    const socklen_t size = m_family.writeAddress(destination, to);
    // A router's report about any earlier echo leaves its error pending on
    // the socket, and the next send fails with it once, whoever sends: that
    // failure is not this echo's, so it is sent again. A failure of its own
    // comes back every time.
    int attempts = 0;
    for (;;) {
        timespec wall;
        clock_gettime(CLOCK_REALTIME, &wall);
        sent.wallNs = static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
        sent.steady = std::chrono::steady_clock::now();
        if (sendto(m_fd, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to), size) >= 0)
            return IpStatus::Success;
        if (errno == EINTR)
            continue;
        if (++attempts >= AttemptsPastPendingReports || errno == EAGAIN || errno == ENOBUFS)
            return EchoReplyParser::statusForSendErrno(errno);
    }
}

