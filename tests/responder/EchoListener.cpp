#include "EchoListener.h"

#include "KernelStamp.h"

#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <span>
#include <system_error>
#include <utility>

namespace {

constexpr std::size_t MaxDatagram = 65535;

} // namespace

EchoListener::EchoListener()
    : socket_(::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP))
    , buffer_(MaxDatagram)
{
    if (socket_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "raw ICMP socket");

    icmp_filter onlyEchoRequests{~(1u << ICMP_ECHO)};
    if (::setsockopt(socket_.get(), SOL_RAW, ICMP_FILTER, &onlyEchoRequests, sizeof onlyEchoRequests) != 0)
        throw std::system_error(errno, std::generic_category(), "ICMP_FILTER");

    const int on = 1;
    if (::setsockopt(socket_.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0)
        throw std::system_error(errno, std::generic_category(), "SO_TIMESTAMPNS");
}

std::optional<ReceivedRequest> EchoListener::receive()
{
    for (;;) {
        iovec data{buffer_.data(), buffer_.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
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
            throw std::system_error(errno, std::generic_category(), "receiving ICMP");
        }

        auto request = EchoRequest::parse(std::span(buffer_).first(static_cast<std::size_t>(length)));
        if (!request)
            continue;
        auto arrived = std::chrono::steady_clock::now();
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS)
                arrived = steadyFromKernelStamp(*reinterpret_cast<const timespec *>(CMSG_DATA(header)));
        }
        return ReceivedRequest{std::move(*request), arrived};
    }
}
