#include "RawIpSender.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t IpHeaderLength = 20;
constexpr std::uint8_t ReplyTtl = 64;
constexpr std::uint8_t IcmpProtocol = 1;

} // namespace

RawIpSender::RawIpSender()
    : socket_(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW))
{
    if (socket_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "raw IP socket");
}

void RawIpSender::send(const PlannedReply &reply)
{
    const std::size_t total = IpHeaderLength + reply.icmp.size();
    // Identification and header checksum stay zero for the kernel to fill.
    std::vector<std::uint8_t> datagram(total);
    datagram[0] = 0x45;
    datagram[2] = static_cast<std::uint8_t>(total >> 8);
    datagram[3] = static_cast<std::uint8_t>(total);
    datagram[8] = ReplyTtl;
    datagram[9] = IcmpProtocol;
    std::memcpy(datagram.data() + 12, &reply.source.s_addr, 4);
    std::memcpy(datagram.data() + 16, &reply.destination.s_addr, 4);
    std::copy(reply.icmp.begin(), reply.icmp.end(), datagram.begin() + IpHeaderLength);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = reply.destination;
    if (::sendto(socket_.get(), datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
        std::fprintf(stderr, "quorvane-test-responder: sending a %zu-byte reply failed: %s\n", datagram.size(),
                     std::strerror(errno));
}
