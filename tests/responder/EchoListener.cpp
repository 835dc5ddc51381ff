#include "EchoListener.h"

#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>

namespace {

constexpr std::size_t MaxDatagram = 65535;

// The kernel stamps arrivals on the wall clock, which may be stepped; the
// age of the stamp carries over to the steady clock that times replies.
std::chrono::steady_clock::time_point toSteady(const timespec &wallStamp)
{
    const auto stamp = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(wallStamp.tv_sec) + std::chrono::nanoseconds(wallStamp.tv_nsec)));
    const auto age = std::chrono::system_clock::now() - stamp;
    return std::chrono::steady_clock::now() - age;
}

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

std::optional<EchoListener::Arrival> EchoListener::receive()
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

        auto arrived = std::chrono::steady_clock::now();
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS)
                arrived = toSteady(*reinterpret_cast<const timespec *>(CMSG_DATA(header)));
        }
        return Arrival{{buffer_.begin(), buffer_.begin() + length}, arrived};
    }
}
