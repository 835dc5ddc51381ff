#include "ping/IcmpSocket.h"

#include "ping/EchoIdentity.h"
#include "ping/StopSignal.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t ReceiveBufferSize = 65536 + 512;
constexpr std::uint8_t DontFragmentFlag = 0x02;

int setIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value);
}

std::uint32_t statusForSendErrno(int error)
{
    switch (error) {
    case ENETUNREACH: return IpStatus::DestNetUnreachable;   // no route here
    case EHOSTUNREACH: return IpStatus::DestHostUnreachable; // neighbour gone
    case EMSGSIZE: return IpStatus::PacketTooBig;             // larger than the path allows
    default: return IpStatus::GeneralFailure;                 // nothing the caller can mend
    }
}

bool permissionRefused(int error)
{
    // These say "not for you" or "not on this kernel"; anything else (out of
    // descriptors, out of memory) would fail the raw socket just the same.
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT;
}

}

std::unique_ptr<IcmpSocket> IcmpSocket::open()
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
        // Router reports reach a datagram socket only through its error queue.
        setIntOption(fd, IPPROTO_IP, IP_RECVERR, 1);
        setIntOption(fd, IPPROTO_IP, IP_RECVTTL, 1);
        setIntOption(fd, IPPROTO_IP, IP_RECVTOS, 1);
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, Kind::Datagram));
    }
    if (!permissionRefused(errno))
        return nullptr;
    fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return nullptr;
    // Spare the socket every echo request and other chatter of the machine;
    // the parser would ignore them, but they would wake us up for nothing.
    icmp_filter filter{};
    filter.data = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH)
                    | (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(fd, Kind::Raw));
}

IcmpSocket::IcmpSocket(int fd, Kind kind)
    : m_fd(fd)
    , m_kind(kind)
{
    if (m_kind == Kind::Raw)
        m_identifier = EchoIdentity::acquireIdentifier();
}

IcmpSocket::~IcmpSocket()
{
    if (m_kind == Kind::Raw)
        EchoIdentity::releaseIdentifier(m_identifier);
    close(m_fd);
}

std::uint32_t IcmpSocket::applyOptions(const IpOptionInformation* options)
{
    IpOptionInformation o;
    if (options)
        o = *options;
    else
        o.Ttl = 128;
    // The kernel refuses a TTL of 0, and a packet that may not take one hop
    // cannot be sent: say so instead of quietly using another TTL.
    if (o.Ttl == 0)
        return IpStatus::BadOption;
    if (setIntOption(m_fd, IPPROTO_IP, IP_TTL, o.Ttl) < 0 || setIntOption(m_fd, IPPROTO_IP, IP_TOS, o.Tos) < 0)
        return IpStatus::BadOption;
    // Linux sets "don't fragment" by default (path MTU discovery); the echo
    // service sets it only when asked.
    const int discovery = (o.Flags & DontFragmentFlag) ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    if (setIntOption(m_fd, IPPROTO_IP, IP_MTU_DISCOVER, discovery) < 0)
        return IpStatus::BadOption;
    return IpStatus::Success;
}

std::uint32_t IcmpSocket::send(std::uint32_t destination, std::span<const std::uint8_t> packet)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    for (;;) {
        if (sendto(m_fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) >= 0)
            return IpStatus::Success;
        if (errno != EINTR)
            return statusForSendErrno(errno);
    }
}

std::uint32_t IcmpSocket::echo(std::uint32_t destination, std::span<const std::uint8_t> payload,
                               const IpOptionInformation* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs, std::uint32_t& status)
{
    if (replySize < sizeof(IcmpEchoReply)) {
        status = IpStatus::BufTooSmall;
        return 0;
    }
    if ((status = applyOptions(options)) != IpStatus::Success)
        return 0;

    EchoExpectation expected;
    expected.target = destination;
    expected.identifier = m_identifier;
    expected.sequence = EchoIdentity::randomSequence();
    // A datagram socket's identifier is the kernel's; it delivers us only
    // replies that carry it.
    expected.checkIdentifier = m_kind == Kind::Raw;
    expected.payload = payload;

    std::vector<std::uint8_t> packet(EchoReplyParser::IcmpHeaderSize + payload.size());
    packet[0] = ICMP_ECHO;
    packet[4] = static_cast<std::uint8_t>(m_identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(m_identifier);
    packet[6] = static_cast<std::uint8_t>(expected.sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(expected.sequence);
    std::ranges::copy(payload, packet.begin() + EchoReplyParser::IcmpHeaderSize);
    const std::uint16_t sum = EchoReplyParser::checksum(packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);

    const auto sent = Clock::now();
    const auto deadline = sent + std::chrono::milliseconds(timeoutMs);
    if ((status = send(destination, packet)) != IpStatus::Success)
        return 0;

    const StopSignal* stop = StopSignal::current();
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        std::array<pollfd, 2> fds{pollfd{m_fd, POLLIN, 0}, pollfd{stop ? stop->fd() : -1, POLLIN, 0}};
        const int ready = poll(fds.data(), fds.size(), left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (fds[1].revents & POLLIN) {
            // Our owner is shutting down; nobody will read this outcome.
            status = IpStatus::GeneralFailure;
            return 0;
        }
        std::optional<EchoAnswer> answer;
        if (fds[0].revents & POLLERR)
            answer = receiveOne(expected, true);
        if (!answer && (fds[0].revents & POLLIN))
            answer = receiveOne(expected, false);
        if (answer && answer->refusedLocally) {
            status = answer->status;
            return 0;
        }
        if (answer) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
            IcmpEchoReply record;
            record.Address = answer->source;
            record.Status = answer->status;
            record.RoundTripTime = static_cast<std::uint32_t>(elapsed.count());
            record.Options.Ttl = answer->ttl;
            record.Options.Tos = answer->tos;
            record.Options.Flags = answer->flags;
            if (answer->status == IpStatus::Success) {
                record.DataSize = answer->dataSize;
                record.DataOffset = sizeof record;
                const std::size_t room = replySize - sizeof record;
                // The parser accepted the reply only if its data equals ours.
                std::memcpy(static_cast<std::uint8_t*>(replyBuffer) + sizeof record, payload.data(),
                            std::min<std::size_t>(room, payload.size()));
            }
            std::memcpy(replyBuffer, &record, sizeof record);
            status = answer->status;
            return 1;
        }
        if (Clock::now() >= deadline) {
            status = IpStatus::RequestTimedOut;
            return 0;
        }
    }
}

std::optional<EchoAnswer> IcmpSocket::receiveOne(const EchoExpectation& expected, bool fromErrorQueue)
{
    if (fromErrorQueue)
        return receiveQueuedError(expected);
    return m_kind == Kind::Raw ? receiveRaw(expected) : receiveDatagram(expected);
}

std::optional<EchoAnswer> IcmpSocket::receiveRaw(const EchoExpectation& expected)
{
    std::vector<std::uint8_t> buffer(ReceiveBufferSize);
    const ssize_t n = recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n <= 0)
        return std::nullopt;
    // MSG_TRUNC reports the real length: a packet larger than our buffer is
    // not one we could have asked for.
    if (static_cast<std::size_t>(n) > buffer.size())
        return std::nullopt;
    return EchoReplyParser::parseRawPacket({buffer.data(), static_cast<std::size_t>(n)}, expected);
}

std::optional<EchoAnswer> IcmpSocket::receiveDatagram(const EchoExpectation& expected)
{
    std::vector<std::uint8_t> buffer(ReceiveBufferSize);
    sockaddr_in from{};
    alignas(cmsghdr) std::array<char, 256> control{};
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    const ssize_t n = recvmsg(m_fd, &msg, MSG_DONTWAIT);
    // A pending router report makes a plain read fail once with its errno;
    // the report itself is read from the error queue.
    if (n <= 0 || (msg.msg_flags & MSG_TRUNC))
        return std::nullopt;
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IP)
            continue;
        if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int value;
            std::memcpy(&value, CMSG_DATA(c), sizeof value);
            ttl = static_cast<std::uint8_t>(value);
        } else if (c->cmsg_type == IP_TOS && c->cmsg_len >= CMSG_LEN(1)) {
            tos = *CMSG_DATA(c);
        }
    }
    return EchoReplyParser::parseDatagramReply({buffer.data(), static_cast<std::size_t>(n)},
                                               from.sin_addr.s_addr, ttl, tos, expected);
}

std::optional<EchoAnswer> IcmpSocket::receiveQueuedError(const EchoExpectation& expected)
{
    std::array<std::uint8_t, 576> quoted{};
    alignas(cmsghdr) std::array<char, 512> control{};
    sockaddr_in target{};
    iovec iov{quoted.data(), quoted.size()};
    msghdr msg{};
    msg.msg_name = &target;
    msg.msg_namelen = sizeof target;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    const ssize_t n = recvmsg(m_fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
            continue;
        if (c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err)))
            continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        const std::span<const std::uint8_t> request{quoted.data(), static_cast<std::size_t>(n)};
        if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
            // The kernel refused our request itself (too big for the path,
            // for instance): the request never left, so nobody else reports.
            if (!(request.size() >= 8 && ((request[6] << 8) | request[7]) == expected.sequence))
                continue;
            EchoAnswer answer;
            answer.status = statusForSendErrno(static_cast<int>(error.ee_errno));
            answer.refusedLocally = true;
            return answer;
        }
        if (error.ee_origin != SO_EE_ORIGIN_ICMP || target.sin_addr.s_addr != expected.target)
            continue;
        sockaddr_in reporter{};
        const std::size_t room = c->cmsg_len - CMSG_LEN(sizeof error);
        if (room >= sizeof reporter)
            std::memcpy(&reporter, CMSG_DATA(c) + sizeof error, sizeof reporter);
        return EchoReplyParser::parseQueuedError(error.ee_type, error.ee_code, reporter.sin_addr.s_addr,
                                                 request, expected);
    }
    return std::nullopt;
}
