#pragma once

#include "ping/socket/EchoReplyParser.h"

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>

struct IcmpDestination;

// What differs between ICMP over IPv4 and ICMPv6, as one record per family,
// chosen once when a socket opens: the code that opens, sends and receives
// is then written once, and a difference between the families is a field
// here, not a test scattered over the engine.
struct IcmpFamily {
    bool v6;
    std::size_t index;                  // 0 for IPv4, 1 for IPv6
    int domain;
    int protocol;
    std::uint8_t echoRequestType;
    std::uint8_t echoReplyType;
    // ICMPv6 is summed by the kernel, over a pseudo-header we cannot know.
    bool kernelSums;
    std::size_t replyRecordSize;

    // Socket options of the family's own level.
    int level;
    int ttlOption;
    int tosOption;
    int dontFragmentOption;
    int dontFragmentOn;
    int dontFragmentOff;
    int receiveErrorsOption;            // also the type of a report's ancillary message
    int receiveTtlOption;
    int receiveTosOption;
    std::uint8_t reportOrigin;          // of a router's report in the error queue

    // Ancillary messages of a received packet; IPv4 hands its class of
    // service over as one byte, everything else as an int.
    int ttlMessage;
    int tosMessage;
    bool tosInOneByte;

    // What a datagram socket's message is to the reply parser.
    ReceivedPacket::Origin messageOrigin;

    socklen_t (*writeAddress)(const IcmpDestination& destination, sockaddr_storage& to);
    void (*readAddress)(const sockaddr_storage& from, std::uint32_t& v4, Ipv6Address& v6);

    static const IcmpFamily& of(bool v6);
};
