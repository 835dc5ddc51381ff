#include "ping/socket/IcmpSocket.h"

#include "ping/socket/EchoSequences.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace {

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
    // descriptors, out of memory) would fail the helper just the same.
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT;
}

void enlargeReceiveQueue(int fd)
{
    // The forced size needs CAP_NET_ADMIN, which a root run has; otherwise
    // take what the kernel's limit allows.
    if (setIntOption(fd, SOL_SOCKET, SO_RCVBUFFORCE, SocketQueueBytes) < 0)
        setIntOption(fd, SOL_SOCKET, SO_RCVBUF, SocketQueueBytes);
}

// The options a datagram socket of ours wants. Router reports reach it only
// through its error queue, the hop limit and class of every reply only when
// asked.
void configure(int fd, const IcmpFamily& family)
{
    setIntOption(fd, family.level, family.receiveErrorsOption, 1);
    setIntOption(fd, family.level, family.receiveTtlOption, 1);
    setIntOption(fd, family.level, family.receiveTosOption, 1);
    enlargeReceiveQueue(fd);
    setIntOption(fd, SOL_SOCKET, SO_TIMESTAMPNS, 1);
}

}

std::unique_ptr<IcmpSocket> IcmpSocket::open(bool v6)
{
    const IcmpFamily& family = IcmpFamily::of(v6);
    const int fd = socket(family.domain, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, family.protocol);
    if (fd >= 0) {
        configure(fd, family);
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, family));
    }
    if (!permissionRefused(errno))
        return nullptr;
    auto helper = IcmpHelperProcess::start(family.index);
    if (!helper)
        return nullptr;
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(std::move(helper), family));
}

IcmpSocket::IcmpSocket(int fd, const IcmpFamily& family)
    : m_fd(fd)
    , m_kind(Kind::Datagram)
    , m_family(family)
    , m_buffer(ReceiveBufferSize)
    , m_control(512)
{
}

IcmpSocket::IcmpSocket(std::unique_ptr<IcmpHelperProcess> helper, const IcmpFamily& family)
    : m_fd(helper->fd())
    , m_kind(Kind::Helper)
    , m_family(family)
    , m_helper(std::move(helper))
    , m_fromHelper(std::make_unique<HelperMessages>())
{
    HelperMessages& from = *m_fromHelper;
    from.buffers.reset(new std::uint8_t[ReceiveBufferSize * HelperBatch]);
    for (std::size_t i = 0; i < HelperBatch; ++i) {
        from.vectors[i] = {from.buffers.get() + i * ReceiveBufferSize, ReceiveBufferSize};
        from.headers[i].msg_hdr.msg_iov = &from.vectors[i];
        from.headers[i].msg_hdr.msg_iovlen = 1;
    }
}

// The helper owns its socket.
IcmpSocket::~IcmpSocket()
{
    if (!m_helper)
        close(m_fd);
}

std::uint16_t IcmpSocket::identifier() const
{
    return m_helper ? m_helper->identifier() : EchoSequences::processIdentifier();
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
    if (m_helper)
        return sendToHelper(destination, message, options, sent);
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
        if (errno == EAGAIN || errno == ENOBUFS)
            return EchoReplyParser::statusForSendErrno(errno);
        m_reportsWaiting = true;
        if (++attempts >= AttemptsPastPendingReports)
            return EchoReplyParser::statusForSendErrno(errno);
    }
}

