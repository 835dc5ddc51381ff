#include "Icmp6EchoSocket.h"

#include "KernelStamp.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr std::size_t MaxMessage = 65535;
constexpr std::size_t EchoHeader = 8;

void enable(int fd, int level, int option, const char *name)
{
    const int on = 1;
    if (::setsockopt(fd, level, option, &on, sizeof on) != 0)
        throw std::system_error(errno, std::generic_category(), name);
}

std::uint16_t bigEndian16(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

Icmp6EchoSocket::Icmp6EchoSocket()
    : socket_(::socket(AF_INET6, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMPV6))
    , buffer_(MaxMessage)
{
    if (socket_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "raw ICMPv6 socket");

    icmp6_filter onlyEchoRequests;
    ICMP6_FILTER_SETBLOCKALL(&onlyEchoRequests);
    ICMP6_FILTER_SETPASS(ICMP6_ECHO_REQUEST, &onlyEchoRequests);
    if (::setsockopt(socket_.get(), IPPROTO_ICMPV6, ICMP6_FILTER, &onlyEchoRequests, sizeof onlyEchoRequests) != 0)
        throw std::system_error(errno, std::generic_category(), "ICMP6_FILTER");

    enable(socket_.get(), SOL_SOCKET, SO_TIMESTAMPNS, "SO_TIMESTAMPNS");
    // The address asked and the hop limit arrive beside the message, which
    // comes without its IPv6 header.
    enable(socket_.get(), IPPROTO_IPV6, IPV6_RECVPKTINFO, "IPV6_RECVPKTINFO");
    enable(socket_.get(), IPPROTO_IPV6, IPV6_RECVHOPLIMIT, "IPV6_RECVHOPLIMIT");
}

std::optional<ReceivedRequest> Icmp6EchoSocket::receive()
{
    for (;;) {
        sockaddr_in6 from{};
        iovec data{buffer_.data(), buffer_.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(in6_pktinfo))
                                      + CMSG_SPACE(sizeof(int))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;

        const ssize_t length = ::recvmsg(socket_.get(), &message, 0);
        if (length < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                return std::nullopt;
            throw std::system_error(errno, std::generic_category(), "receiving ICMPv6");
        }
        if (static_cast<std::size_t>(length) < EchoHeader || buffer_[0] != ICMP6_ECHO_REQUEST)
            continue;

        ReceivedRequest received{{}, std::chrono::steady_clock::now()};
        EchoRequest &request = received.request;
        bool addressed = false;
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
                received.arrived = steadyFromKernelStamp(*reinterpret_cast<const timespec *>(CMSG_DATA(header)));
            } else if (header->cmsg_level == IPPROTO_IPV6 && header->cmsg_type == IPV6_PKTINFO) {
                in6_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                request.destination = HostAddress(info.ipi6_addr);
                addressed = true;
            } else if (header->cmsg_level == IPPROTO_IPV6 && header->cmsg_type == IPV6_HOPLIMIT) {
                int hopLimit;
                std::memcpy(&hopLimit, CMSG_DATA(header), sizeof hopLimit);
                request.ttl = static_cast<std::uint8_t>(hopLimit);
            }
        }
        if (!addressed)
            continue;
        request.source = HostAddress(from.sin6_addr);
        request.identifier = bigEndian16(buffer_, 4);
        request.sequence = bigEndian16(buffer_, 6);
        request.payload.assign(buffer_.begin() + EchoHeader, buffer_.begin() + length);
        request.checksumValid = true;
        return received;
    }
}

void Icmp6EchoSocket::send(const PlannedReply &reply)
{
    sockaddr_in6 to{};
    to.sin6_family = AF_INET6;
    to.sin6_addr = reply.destination.v6();
    in6_pktinfo from{};
    from.ipi6_addr = reply.source.v6();

    iovec data{const_cast<std::uint8_t *>(reply.icmp.data()), reply.icmp.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof from)] = {};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IPV6;
    header->cmsg_type = IPV6_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof from);
    std::memcpy(CMSG_DATA(header), &from, sizeof from);

    if (::sendmsg(socket_.get(), &message, 0) < 0)
        std::fprintf(stderr, "quorvane-test-responder: sending a %zu-byte ICMPv6 message failed: %s\n",
                     reply.icmp.size(), std::strerror(errno));
}
