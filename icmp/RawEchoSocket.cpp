#include "icmp/RawEchoSocket.h"

#include "packet/InternetChecksum.h"
#include "packet/KernelStamp.h"

#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

// Room for any IP datagram; a larger one is not an answer to us.
constexpr std::size_t ReceiveBufferSize = 65536 + 512;
// Enough for every answer of a burst while a neighbour floods the machine;
// the kernel caps it for an unprivileged helper.
constexpr int SocketQueueBytes = 4 * 1024 * 1024;
// A router's report leaves its error pending on the socket, and the next
// send fails with it once: this many attempts get past a burst of them.
constexpr int AttemptsPastPendingReports = 3;

int setIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value);
}

// The kernel drops what cannot concern us before it costs a wake-up: only
// answers and reports, and of the echo replies only ours. An IPv4 raw socket
// hands the filter the IP header first, an ICMPv6 one the bare message.
// Locked, so that nobody who might get hold of the socket can widen it.
void filter(int fd, bool v6, std::uint16_t identifier)
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
    const std::uint8_t replyType = v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
    std::array<sock_filter, 8> code{{
        v6 ? sock_filter BPF_STMT(BPF_LDX | BPF_IMM, 0)              // X = 0
           : sock_filter BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),     // X = IP header length
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                       // A = ICMP identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // ours
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                       // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, replyType, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // a report: it may quote ours
        BPF_STMT(BPF_RET | BPF_K, 0),                                // someone else's reply
    }};
    const sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
    setIntOption(fd, SOL_SOCKET, SO_LOCK_FILTER, 1);
}

}

RawEchoSocket::RawEchoSocket(bool v6, std::uint16_t identifier)
    : m_v6(v6)
    , m_buffers(new std::uint8_t[ReceiveBufferSize * Batch])
{
    m_fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, v6 ? IPPROTO_ICMPV6 : IPPROTO_ICMP);
    if (m_fd < 0) {
        m_openError = errno;
        return;
    }
    filter(m_fd, v6, identifier);
    // The forced size needs CAP_NET_ADMIN, which a helper run by root has.
    if (setIntOption(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, SocketQueueBytes) < 0)
        setIntOption(m_fd, SOL_SOCKET, SO_RCVBUF, SocketQueueBytes);
    setIntOption(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, 1);
    if (v6) {
        // An IPv4 datagram carries its TTL and class in its header; an
        // ICMPv6 message needs them as ancillary data.
        setIntOption(m_fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, 1);
        setIntOption(m_fd, IPPROTO_IPV6, IPV6_RECVTCLASS, 1);
    }
}

RawEchoSocket::~RawEchoSocket()
{
    if (m_fd >= 0)
        close(m_fd);
}

int RawEchoSocket::applyOptions(const HelperRequest& r)
{
    const std::array<std::uint8_t, 3> options{r.ttl, r.tos, r.dontFragment};
    const int level = m_v6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const auto& last = m_applied;
    if ((!last || (*last)[0] != r.ttl) && setIntOption(m_fd, level, m_v6 ? IPV6_UNICAST_HOPS : IP_TTL, r.ttl) < 0)
        return errno;
    if ((!last || (*last)[1] != r.tos) && setIntOption(m_fd, level, m_v6 ? IPV6_TCLASS : IP_TOS, r.tos) < 0)
        return errno;
    if (!last || (*last)[2] != options[2]) {
        // IPv4 sets "don't fragment" through path MTU discovery; IPv6 routers
        // never fragment, there the flag forbids our own kernel to.
        const int result = m_v6 ? setIntOption(m_fd, level, IPV6_DONTFRAG, r.dontFragment)
                                : setIntOption(m_fd, level, IP_MTU_DISCOVER,
                                               r.dontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT);
        if (result < 0)
            return errno;
    }
    m_applied = options;
    return 0;
}

namespace {

std::int64_t wallNs()
{
    timespec wall;
    clock_gettime(CLOCK_REALTIME, &wall);
    return static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
}

bool sameOptions(const HelperRequest& a, const HelperRequest& b)
{
    return a.ttl == b.ttl && a.tos == b.tos && a.dontFragment == b.dontFragment;
}

}

void RawEchoSocket::send(std::span<const HelperRequest> requests, std::span<int> errors,
                         std::span<std::int64_t> sentNs)
{
    const std::size_t count = requests.size();
    if (m_packets.size() < count) {
        m_packets.resize(count);
        m_destinations.resize(count);
        m_sendVectors.resize(count);
        m_sends.resize(count);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const HelperRequest& r = requests[i];
        std::vector<std::uint8_t>& packet = m_packets[i];
        const auto header = r.header();
        packet.assign(header.begin(), header.end());
        packet.insert(packet.end(), r.payload.begin(), r.payload.end());
        // The kernel sums ICMPv6, over a pseudo-header we do not know.
        if (!m_v6) {
            const std::uint16_t sum = internetChecksum(packet);
            packet[2] = static_cast<std::uint8_t>(sum >> 8);
            packet[3] = static_cast<std::uint8_t>(sum);
        }
        sockaddr_storage& to = m_destinations[i];
        to = {};
        socklen_t size;
        if (m_v6) {
            auto& to6 = reinterpret_cast<sockaddr_in6&>(to);
            to6.sin6_family = AF_INET6;
            std::memcpy(&to6.sin6_addr, r.destination.data(), sizeof to6.sin6_addr);
            to6.sin6_scope_id = r.scope;
            size = sizeof to6;
        } else {
            auto& to4 = reinterpret_cast<sockaddr_in&>(to);
            to4.sin_family = AF_INET;
            std::memcpy(&to4.sin_addr, r.destination.data(), sizeof to4.sin_addr);
            size = sizeof to4;
        }
        m_sendVectors[i] = {packet.data(), packet.size()};
        m_sends[i] = {};
        m_sends[i].msg_hdr.msg_name = &to;
        m_sends[i].msg_hdr.msg_namelen = size;
        m_sends[i].msg_hdr.msg_iov = &m_sendVectors[i];
        m_sends[i].msg_hdr.msg_iovlen = 1;
    }
    // TTL, class and "don't fragment" are the socket's: a run of echoes
    // that share them leaves together.
    for (std::size_t first = 0; first < count;) {
        std::size_t end = first + 1;
        while (end < count && sameOptions(requests[end], requests[first]))
            ++end;
        if (const int error = applyOptions(requests[first]); error != 0) {
            m_applied.reset();
            std::fill(errors.begin() + static_cast<std::ptrdiff_t>(first), errors.begin() + static_cast<std::ptrdiff_t>(end), error);
        } else {
            sendRun(first, end, errors, sentNs);
        }
        first = end;
    }
}

void RawEchoSocket::sendRun(std::size_t first, std::size_t end, std::span<int> errors, std::span<std::int64_t> sentNs)
{
    int attempts = 0;
    while (first < end) {
        const std::int64_t stamp = wallNs();
        const int sent = sendmmsg(m_fd, &m_sends[first], static_cast<unsigned>(end - first), 0);
        if (sent > 0) {
            for (std::size_t i = first; i < first + static_cast<std::size_t>(sent); ++i) {
                errors[i] = 0;
                sentNs[i] = stamp;
            }
            first += static_cast<std::size_t>(sent);
            attempts = 0;
            continue;
        }
        if (errno == EINTR)
            continue;
        // Another echo's pending report fails one send; a failure of this
        // echo's own comes back every time, and ends only this echo.
        if (++attempts >= AttemptsPastPendingReports || errno == EAGAIN || errno == ENOBUFS) {
            errors[first++] = errno;
            attempts = 0;
        }
    }
}

std::size_t RawEchoSocket::receive(std::array<Packet, Batch>& packets, bool& more)
{
    more = false;
    for (std::size_t i = 0; i < Batch; ++i) {
        m_receiveVectors[i] = {m_buffers.get() + i * ReceiveBufferSize, ReceiveBufferSize};
        msghdr& msg = m_receives[i].msg_hdr;
        msg = {};
        msg.msg_name = &m_sources[i];
        msg.msg_namelen = sizeof m_sources[i];
        msg.msg_iov = &m_receiveVectors[i];
        msg.msg_iovlen = 1;
        msg.msg_control = m_controls[i].data();
        msg.msg_controllen = m_controls[i].size();
    }
    int attempts = 0;
    for (;;) {
        const int n = recvmmsg(m_fd, m_receives.data(), Batch, MSG_DONTWAIT, nullptr);
        if (n < 0) {
            // EINTR, or a pending report that this read took off the socket:
            // the queue may still hold answers.
            if (errno == EAGAIN || (errno != EINTR && ++attempts >= AttemptsPastPendingReports))
                return 0;
            continue;
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            if (readPacket(m_receives[i], i, packets[kept]))
                ++kept;
        }
        // A full batch may have left more behind; a short one emptied the
        // queue. A batch of cut packets only is read past.
        more = static_cast<std::size_t>(n) == Batch;
        if (kept > 0 || !more)
            return kept;
    }
}

bool RawEchoSocket::readPacket(const mmsghdr& message, std::size_t slot, Packet& packet) const
{
    const msghdr& msg = message.msg_hdr;
    if (msg.msg_flags & MSG_TRUNC)
        return false;
    packet = Packet{};
    packet.bytes = {m_buffers.get() + slot * ReceiveBufferSize, message.msg_len};
    packet.arrivedNs = kernelStamp(msg);
    const sockaddr_storage& from = m_sources[slot];
    if (!m_v6) {
        std::memcpy(packet.source.data(), &reinterpret_cast<const sockaddr_in&>(from).sin_addr, 4);
        return true;
    }
    std::memcpy(packet.source.data(), &reinterpret_cast<const sockaddr_in6&>(from).sin6_addr, 16);
    for (const cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(const_cast<msghdr*>(&msg), const_cast<cmsghdr*>(c))) {
        if (c->cmsg_level != IPPROTO_IPV6 || c->cmsg_len < CMSG_LEN(sizeof(int)))
            continue;
        int value;
        std::memcpy(&value, CMSG_DATA(c), sizeof value);
        if (c->cmsg_type == IPV6_HOPLIMIT)
            packet.hopLimit = static_cast<std::uint8_t>(value);
        else if (c->cmsg_type == IPV6_TCLASS)
            packet.trafficClass = static_cast<std::uint8_t>(value);
    }
    return true;
}
