#include "ping/RawIcmpFilter.h"

#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>

// A raw socket sees every ICMP packet of the machine. Only answers and
// reports can concern us, and of the echo replies only those that carry
// our identifier; the kernel drops the rest before they cost a wake-up.
// An IPv4 raw socket hands the filter the IP header first, an ICMPv6 one
// the bare message, so the ICMP header starts at X = the header length or 0.
void filterRawSocket(int fd, const IcmpFamily& family, std::uint16_t identifier)
{
    if (family.v6) {
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

    std::array<sock_filter, 8> code{{
        family.rawReadsMessages ? sock_filter BPF_STMT(BPF_LDX | BPF_IMM, 0)              // X = 0
           : sock_filter BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),     // X = IP header length
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                       // A = ICMP identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // ours
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                       // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, family.echoReplyType, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // a report: it quotes its echo
        BPF_STMT(BPF_RET | BPF_K, 0),                                // someone else's reply
    }};
    const sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
    // Without the filter the parser still rejects strangers, at more cost.
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}
