#include "ping/IcmpSocket.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <utility>

namespace {

// Room for any IP datagram; a larger one is not an answer we asked for.
constexpr std::size_t ReceiveBufferSize = 65536 + 512;
// Enough queue for every answer of a burst of echoes while a neighbour
// floods the machine with pings; the kernel caps it for the unprivileged.
constexpr int SocketQueueBytes = 4 * 1024 * 1024;
constexpr std::uint8_t DontFragmentFlag = 0x02;
// Enough to get past the pending reports that a burst of them leaves.
constexpr int AttemptsPastPendingReports = 3;

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

// The kernel's receive time of each packet: the round trip then ends when
// the answer arrived, not when a busy machine got round to reading it.
std::int64_t kernelStamp(msghdr& msg)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec t;
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
    return 0;
}

void enlargeReceiveQueue(int fd)
{
    // The forced size needs CAP_NET_ADMIN, which a root run has; otherwise
    // take what the kernel's limit allows.
    if (setIntOption(fd, SOL_SOCKET, SO_RCVBUFFORCE, SocketQueueBytes) < 0)
        setIntOption(fd, SOL_SOCKET, SO_RCVBUF, SocketQueueBytes);
}

// A raw socket sees every ICMP packet of the machine. Only answers and
// reports can concern us, and of the echo replies only those that carry
// our identifier; the kernel drops the rest before they cost a wake-up.
// An IPv4 raw socket hands the filter the IP header first, an ICMPv6 one
// the bare message, so the ICMP header starts at X = the header length or 0.
void filterRawSocket(int fd, bool v6, std::uint16_t identifier)
{
    if (v6) {
        icmp6_filter types;
        ICMP6_FILTER_SETBLOCKALL(&types);
        for (const int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                               ICMP6_PARAM_PROB})
            ICMP6_FILTER_SETPASS(type, &types);
        setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &types, sizeof types);
    } else {
        icmp_filter types{};
        types.data = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH)
                       | (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &types, sizeof types);
    }

    const std::uint32_t echoReply = v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
    std::array<sock_filter, 8> code{{
        v6 ? sock_filter BPF_STMT(BPF_LDX | BPF_IMM, 0)              // X = 0
           : sock_filter BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),     // X = IP header length
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                       // A = ICMP identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // ours
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                       // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, echoReply, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // a report: it quotes its echo
        BPF_STMT(BPF_RET | BPF_K, 0),                                // someone else's reply
    }};
    const sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
    // Without the filter the parser still rejects strangers, at more cost.
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}

// The options every socket of ours wants, whichever way it was opened.
void configure(int fd, IcmpSocket::Kind kind, bool v6)
{
    if (v6) {
        // Router reports reach a datagram socket only through its error
        // queue; a raw ICMPv6 socket gets them as messages, but the hop
        // limit and class of every reply only when asked.
        if (kind == IcmpSocket::Kind::Datagram)
            setIntOption(fd, IPPROTO_IPV6, IPV6_RECVERR, 1);
        setIntOption(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, 1);
        setIntOption(fd, IPPROTO_IPV6, IPV6_RECVTCLASS, 1);
    } else if (kind == IcmpSocket::Kind::Datagram) {
        setIntOption(fd, IPPROTO_IP, IP_RECVERR, 1);
        setIntOption(fd, IPPROTO_IP, IP_RECVTTL, 1);
        setIntOption(fd, IPPROTO_IP, IP_RECVTOS, 1);
    }
    enlargeReceiveQueue(fd);
    setIntOption(fd, SOL_SOCKET, SO_TIMESTAMPNS, 1);
}

int openSocket(bool v6, int type)
{
    return socket(v6 ? AF_INET6 : AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, v6 ? IPPROTO_ICMPV6 : IPPROTO_ICMP);
}

// The raw sockets opened while the program still had the privilege to,
// one per family (IPv4 first); -1 where there is none.
std::mutex keptMutex;
std::array<int, 2> keptSockets{-1, -1};

int takeKept(bool v6)
{
    const std::lock_guard lock(keptMutex);
    return std::exchange(keptSockets[v6 ? 1 : 0], -1);
}

}

void IcmpSocket::openEarly(std::uint16_t rawIdentifier)
{
    const std::lock_guard lock(keptMutex);
    for (const bool v6 : {false, true}) {
        int& kept = keptSockets[v6 ? 1 : 0];
        if (kept >= 0)
            continue;
        kept = openSocket(v6, SOCK_RAW);
        if (kept < 0)
            continue;
        filterRawSocket(kept, v6, rawIdentifier);
        configure(kept, Kind::Raw, v6);
    }
}

std::unique_ptr<IcmpSocket> IcmpSocket::open(bool v6, std::uint16_t rawIdentifier)
{
    if (const int kept = takeKept(v6); kept >= 0) {
        filterRawSocket(kept, v6, rawIdentifier);
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(kept, Kind::Raw, v6, true));
    }
    int fd = openSocket(v6, SOCK_DGRAM);
    Kind kind = Kind::Datagram;
    if (fd < 0) {
        if (!permissionRefused(errno))
            return nullptr;
        fd = openSocket(v6, SOCK_RAW);
        if (fd < 0)
            return nullptr;
        kind = Kind::Raw;
        filterRawSocket(fd, v6, rawIdentifier);
    }
    configure(fd, kind, v6);
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, kind, v6, false));
}

IcmpSocket::IcmpSocket(int fd, Kind kind, bool v6, bool kept)
    : m_fd(fd)
    , m_kind(kind)
    , m_v6(v6)
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
        int& slot = keptSockets[m_v6 ? 1 : 0];
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
    const int level = m_v6 ? IPPROTO_IPV6 : IPPROTO_IP;
    if (!last || last->Ttl != options.Ttl) {
        if (setIntOption(m_fd, level, m_v6 ? IPV6_UNICAST_HOPS : IP_TTL, options.Ttl) < 0)
            return IpStatus::BadOption;
    }
    if (!last || last->Tos != options.Tos) {
        if (setIntOption(m_fd, level, m_v6 ? IPV6_TCLASS : IP_TOS, options.Tos) < 0)
            return IpStatus::BadOption;
    }
    if (!last || bool(last->Flags & DontFragmentFlag) != dontFragment) {
        // Linux sets "don't fragment" by default (path MTU discovery); the
        // echo service sets it only when asked. IPv6 routers never
        // fragment; there the flag forbids our own kernel to.
        const int set = m_v6 ? setIntOption(m_fd, level, IPV6_DONTFRAG, dontFragment ? 1 : 0)
                             : setIntOption(m_fd, level, IP_MTU_DISCOVER, dontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT);
        if (set < 0)
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
    socklen_t size = 0;
    if (m_v6) {
        auto& to6 = reinterpret_cast<sockaddr_in6&>(to);
        to6.sin6_family = AF_INET6;
        std::memcpy(&to6.sin6_addr, destination.v6address.data(), sizeof to6.sin6_addr);
        to6.sin6_scope_id = destination.scope;
        size = sizeof to6;
    } else {
        auto& to4 = reinterpret_cast<sockaddr_in&>(to);
        to4.sin_family = AF_INET;
        to4.sin_addr.s_addr = destination.v4;
        size = sizeof to4;
    }
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

ssize_t IcmpSocket::read(Message& m, int flags)
{
    int attempts = 0;
    for (;;) {
        m.from = {};
        m.iov = {m_buffer.data(), m_buffer.size()};
        m.msg = {};
        m.msg.msg_name = &m.from;
        m.msg.msg_namelen = sizeof m.from;
        m.msg.msg_iov = &m.iov;
        m.msg.msg_iovlen = 1;
        m.msg.msg_control = m_control.data();
        m.msg.msg_controllen = m_control.size();
        const ssize_t n = recvmsg(m_fd, &m.msg, flags | MSG_DONTWAIT);
        if (n >= 0 || errno == EAGAIN)
            return n;
        // EINTR, or a pending router report that this read has taken off
        // the socket (its message waits in the error queue): the queue may
        // still hold answers.
        if (errno != EINTR && ++attempts >= AttemptsPastPendingReports)
            return n;
    }
}

bool IcmpSocket::receive(ReceivedPacket& packet)
{
    if (m_v6 || m_kind == Kind::Datagram)
        return receiveMessage(packet);
    for (;;) {
        Message m;
        const ssize_t n = read(m, MSG_TRUNC);
        if (n < 0)
            return false;
        // MSG_TRUNC reports the real length: a packet larger than our buffer
        // is not one we could have asked for. Skip it and read on.
        if (static_cast<std::size_t>(n) > m_buffer.size())
            continue;
        packet = ReceivedPacket{};
        packet.origin = ReceivedPacket::Origin::RawPacket;
        packet.bytes = {m_buffer.data(), static_cast<std::size_t>(n)};
        packet.arrivedNs = kernelStamp(m.msg);
        return true;
    }
}

// A datagram socket, and either kind of ICMPv6 socket, hands over the bare
// ICMP message, its sender and, when asked, the hop limit (TTL) and class
// of service it arrived with.
bool IcmpSocket::receiveMessage(ReceivedPacket& packet)
{
    for (;;) {
        Message m;
        const ssize_t n = read(m, 0);
        if (n < 0)
            return false;
        if (m.msg.msg_flags & MSG_TRUNC)
            continue;
        packet = ReceivedPacket{};
        packet.origin = m_v6 ? ReceivedPacket::Origin::Icmp6Message : ReceivedPacket::Origin::DatagramReply;
        packet.v6 = m_v6;
        packet.bytes = {m_buffer.data(), static_cast<std::size_t>(n)};
        packet.arrivedNs = kernelStamp(m.msg);
        if (m_v6)
            std::memcpy(packet.source6.data(), &reinterpret_cast<const sockaddr_in6&>(m.from).sin6_addr,
                        packet.source6.size());
        else
            packet.source = reinterpret_cast<const sockaddr_in&>(m.from).sin_addr.s_addr;
        const int level = m_v6 ? IPPROTO_IPV6 : IPPROTO_IP;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m.msg); c; c = CMSG_NXTHDR(&m.msg, c)) {
            if (c->cmsg_level != level || c->cmsg_len < CMSG_LEN(1))
                continue;
            // IPv4 hands the class of service over as one byte, all the
            // others as an int.
            const bool oneByte = !m_v6 && c->cmsg_type == IP_TOS;
            int value = *CMSG_DATA(c);
            if (!oneByte && c->cmsg_len < CMSG_LEN(sizeof value))
                continue;
            if (!oneByte)
                std::memcpy(&value, CMSG_DATA(c), sizeof value);
            if (c->cmsg_type == (m_v6 ? IPV6_HOPLIMIT : IP_TTL))
                packet.ttl = static_cast<std::uint8_t>(value);
            else if (c->cmsg_type == (m_v6 ? IPV6_TCLASS : IP_TOS))
                packet.tos = static_cast<std::uint8_t>(value);
        }
        return true;
    }
}

bool IcmpSocket::receiveError(ReceivedPacket& packet)
{
    for (;;) {
        Message m;
        const ssize_t n = read(m, MSG_ERRQUEUE);
        if (n < 0)
            return false;
        const sockaddr_storage& target = m.from;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m.msg); c; c = CMSG_NXTHDR(&m.msg, c)) {
            const bool report = m_v6 ? c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR
                                     : c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR;
            if (!report || c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err)))
                continue;
            sock_extended_err error;
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            packet = ReceivedPacket{};
            packet.v6 = m_v6;
            packet.bytes = {m_buffer.data(), static_cast<std::size_t>(n)};
            packet.arrivedNs = kernelStamp(m.msg);
            if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
                // Our own kernel refused the request (too big for the path,
                // for instance): it never left, so nobody else reports.
                packet.origin = ReceivedPacket::Origin::LocalRefusal;
                packet.localErrno = static_cast<int>(error.ee_errno);
                return true;
            }
            if (error.ee_origin != (m_v6 ? SO_EE_ORIGIN_ICMP6 : SO_EE_ORIGIN_ICMP))
                continue;
            packet.origin = ReceivedPacket::Origin::QueuedError;
            if (m_v6) {
                sockaddr_in6 reporter{};
                if (c->cmsg_len >= CMSG_LEN(sizeof error + sizeof reporter))
                    std::memcpy(&reporter, CMSG_DATA(c) + sizeof error, sizeof reporter);
                std::memcpy(packet.source6.data(), &reporter.sin6_addr, packet.source6.size());
                std::memcpy(packet.target6.data(), &reinterpret_cast<const sockaddr_in6&>(target).sin6_addr,
                            packet.target6.size());
            } else {
                sockaddr_in reporter{};
                if (c->cmsg_len >= CMSG_LEN(sizeof error + sizeof reporter))
                    std::memcpy(&reporter, CMSG_DATA(c) + sizeof error, sizeof reporter);
                packet.source = reporter.sin_addr.s_addr;
                packet.target = reinterpret_cast<const sockaddr_in&>(target).sin_addr.s_addr;
            }
            packet.icmpType = error.ee_type;
            packet.icmpCode = error.ee_code;
            return true;
        }
        // An entry without a report we understand: read on.
    }
}
