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
// The veth links of with-testnet.sh keep the default MTU.
constexpr std::size_t LinkMtu = 1500;
constexpr std::size_t MaxFragmentData = (LinkMtu - IpHeaderLength) / 8 * 8;
constexpr std::uint8_t ReplyTtl = 64;
constexpr std::uint8_t IcmpProtocol = 1;
constexpr std::uint16_t MoreFragmentsFlag = 0x2000;

} // namespace

RawIpSender::RawIpSender()
    : socket_(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW))
{
    if (socket_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "raw IP socket");
}

void RawIpSender::send(const PlannedReply &reply)
{
    // The kernel fragments nothing with a self-made header, so large replies
    // are split here, as a host answering a large echo request would.
    const std::uint16_t identification = nextIdentification_++;
    // Zero would make the kernel pick its own, differing per fragment.
    if (nextIdentification_ == 0)
        nextIdentification_ = 1;

    const std::span<const std::uint8_t> message = reply.icmp;
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(MaxFragmentData, message.size() - offset);
        const bool moreFragments = offset + length < message.size();
        sendFragment(reply, identification, offset, message.subspan(offset, length), moreFragments);
        offset += length;
    } while (offset < message.size());
}

void RawIpSender::sendFragment(const PlannedReply &reply, std::uint16_t identification, std::size_t offset,
                               std::span<const std::uint8_t> part, bool moreFragments)
{
    const std::size_t total = IpHeaderLength + part.size();
    const auto fragmentField = static_cast<std::uint16_t>(offset / 8 | (moreFragments ? MoreFragmentsFlag : 0));
    // The header checksum stays zero for the kernel to fill.
    std::vector<std::uint8_t> datagram(total);
    datagram[0] = 0x45;
    datagram[2] = static_cast<std::uint8_t>(total >> 8);
    datagram[3] = static_cast<std::uint8_t>(total);
    datagram[4] = static_cast<std::uint8_t>(identification >> 8);
    datagram[5] = static_cast<std::uint8_t>(identification);
    datagram[6] = static_cast<std::uint8_t>(fragmentField >> 8);
    datagram[7] = static_cast<std::uint8_t>(fragmentField);
    datagram[8] = ReplyTtl;
    datagram[9] = IcmpProtocol;
    const in_addr source = reply.source.v4();
    const in_addr destination = reply.destination.v4();
    std::memcpy(datagram.data() + 12, &source.s_addr, 4);
    std::memcpy(datagram.data() + 16, &destination.s_addr, 4);
    std::copy(part.begin(), part.end(), datagram.begin() + IpHeaderLength);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = destination;
    if (::sendto(socket_.get(), datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
        std::fprintf(stderr, "quorvane-test-responder: sending a %zu-byte datagram failed: %s\n", datagram.size(),
                     std::strerror(errno));
}
