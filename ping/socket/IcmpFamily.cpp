#include "ping/socket/IcmpFamily.h"

#include "ping/EchoService.h"

#include <linux/errqueue.h>
#include <netinet/in.h>

#include <cstring>

namespace {

socklen_t writeAddress4(const IcmpDestination& destination, sockaddr_storage& to)
{
    auto& to4 = reinterpret_cast<sockaddr_in&>(to);
    to4.sin_family = AF_INET;
    to4.sin_addr.s_addr = destination.v4;
    return sizeof to4;
}

socklen_t writeAddress6(const IcmpDestination& destination, sockaddr_storage& to)
{
    auto& to6 = reinterpret_cast<sockaddr_in6&>(to);
    to6.sin6_family = AF_INET6;
    std::memcpy(&to6.sin6_addr, destination.v6address.data(), sizeof to6.sin6_addr);
    to6.sin6_scope_id = destination.scope;
    return sizeof to6;
}

void readAddress4(const sockaddr_storage& from, std::uint32_t& v4, Ipv6Address&)
{
    v4 = reinterpret_cast<const sockaddr_in&>(from).sin_addr.s_addr;
}

void readAddress6(const sockaddr_storage& from, std::uint32_t&, Ipv6Address& v6)
{
    std::memcpy(v6.data(), &reinterpret_cast<const sockaddr_in6&>(from).sin6_addr, v6.size());
}

constexpr IcmpFamily Ipv4{
    .v6 = false,
    .index = 0,
    .domain = AF_INET,
    .protocol = IPPROTO_ICMP,
    .echoRequestType = 8,
    .echoReplyType = 0,
    .kernelSums = false,
    .replyRecordSize = sizeof(IcmpEchoReply),
    .level = IPPROTO_IP,
    .ttlOption = IP_TTL,
    .tosOption = IP_TOS,
    // Linux sets "don't fragment" by default (path MTU discovery); the echo
    // service sets it only when asked.
    .dontFragmentOption = IP_MTU_DISCOVER,
    .dontFragmentOn = IP_PMTUDISC_DO,
    .dontFragmentOff = IP_PMTUDISC_DONT,
    .receiveErrorsOption = IP_RECVERR,
    .receiveTtlOption = IP_RECVTTL,
    .receiveTosOption = IP_RECVTOS,
    .reportOrigin = SO_EE_ORIGIN_ICMP,
    .ttlMessage = IP_TTL,
    .tosMessage = IP_TOS,
    .tosInOneByte = true,
    .messageOrigin = ReceivedPacket::Origin::DatagramReply,
    .writeAddress = writeAddress4,
    .readAddress = readAddress4,
};

constexpr IcmpFamily Ipv6{
    .v6 = true,
    .index = 1,
    .domain = AF_INET6,
    .protocol = IPPROTO_ICMPV6,
    .echoRequestType = 128,
    .echoReplyType = 129,
    .kernelSums = true,
    .replyRecordSize = sizeof(Icmpv6EchoReply),
    .level = IPPROTO_IPV6,
    .ttlOption = IPV6_UNICAST_HOPS,
    .tosOption = IPV6_TCLASS,
    // IPv6 routers never fragment; there the flag forbids our own kernel to.
    .dontFragmentOption = IPV6_DONTFRAG,
    .dontFragmentOn = 1,
    .dontFragmentOff = 0,
    .receiveErrorsOption = IPV6_RECVERR,
    .receiveTtlOption = IPV6_RECVHOPLIMIT,
    .receiveTosOption = IPV6_RECVTCLASS,
    .reportOrigin = SO_EE_ORIGIN_ICMP6,
    .ttlMessage = IPV6_HOPLIMIT,
    .tosMessage = IPV6_TCLASS,
    .tosInOneByte = false,
    .messageOrigin = ReceivedPacket::Origin::Icmp6Message,
    .writeAddress = writeAddress6,
    .readAddress = readAddress6,
};

}

const IcmpFamily& IcmpFamily::of(bool v6)
{
    return v6 ? Ipv6 : Ipv4;
}
