#include "ping/socket/IcmpSocket.h"

#include "icmp/HelperProtocol.h"

#include <sys/socket.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

// The side of the socket that talks to quorvane-icmp: a request per echo,
// and back the packets that concern our echoes, each as its raw socket read
// it, or a refusal that quotes the echo's header.

namespace {

using namespace HelperProtocol;

constexpr std::uint8_t DontFragmentFlag = 0x02;

void stamp(SendTime& sent)
{
    timespec wall;
    clock_gettime(CLOCK_REALTIME, &wall);
    sent.wallNs = static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
    sent.steady = std::chrono::steady_clock::now();
}

}

std::uint32_t IcmpSocket::sendToHelper(const IcmpDestination& destination, std::span<const std::uint8_t> message,
                                       const IpOptionInformation& options, SendTime& sent)
{
    // A packet that may not take one hop cannot be sent: say so here, as
    // the datagram socket does.
    if (options.Ttl == 0)
        return IpStatus::BadOption;
    if (m_helper->lost() || message.size() < EchoReplyParser::IcmpHeaderSize)
        return IpStatus::GeneralFailure;
    const auto payload = message.subspan(EchoReplyParser::IcmpHeaderSize);
    m_request.assign(RequestHeaderSize, 0);
    m_request[0] = RequestEcho;
    m_request[1] = m_family.v6 ? 6 : 4;
    m_request[2] = message[0];
    m_request[3] = message[1];
    m_request[4] = options.Ttl;
    m_request[5] = options.Tos;
    m_request[6] = (options.Flags & DontFragmentFlag) ? FlagDontFragment : 0;
    std::copy_n(message.begin() + 4, 4, m_request.begin() + 8);  // identifier and sequence
    if (m_family.v6) {
        write32(m_request, 12, destination.scope);
        std::ranges::copy(destination.v6address, m_request.begin() + 16);
    } else {
        const auto* v4 = reinterpret_cast<const std::uint8_t*>(&destination.v4);
        std::copy_n(v4, 4, m_request.begin() + 16);
    }
    m_request.insert(m_request.end(), payload.begin(), payload.end());
    for (;;) {
        stamp(sent);
        write64(m_request, 32, sent.wallNs);
        if (::send(m_fd, m_request.data(), m_request.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
            return IpStatus::Success;
        if (errno == EINTR)
            continue;
        // The helper has gone: its echoes fail until a new one serves.
        if (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)
            m_helper->lose();
        return EchoReplyParser::statusForSendErrno(errno);
    }
}

// One read takes every message the helper has sent by then; the next
// packets come from it without a system call, and after a short read the
// queue is known to be empty.
bool IcmpSocket::receiveFromHelper(ReceivedPacket& packet)
{
    HelperMessages& from = *m_fromHelper;
    while (!m_helper->gone()) {
        if (from.next < from.count) {
            const mmsghdr& m = from.headers[from.next];
            const std::span<const std::uint8_t> message(from.buffers.get() + from.next * ReceiveBufferSize, m.msg_len);
            ++from.next;
            if (!(m.msg_hdr.msg_flags & MSG_TRUNC) && readFromHelper(message, packet))
                return true;
            continue;
        }
        if (from.queueEmpty) {
            from.queueEmpty = false;
            return false;
        }
        from.count = from.next = 0;
        const int n = recvmmsg(m_fd, from.headers.data(), HelperBatch, MSG_DONTWAIT, nullptr);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return false;
        // The helper's end reads as an empty message: it never sends one.
        if (n <= 0 || from.headers[static_cast<std::size_t>(n) - 1].msg_len == 0) {
            m_helper->lose();
            return false;
        }
        from.count = static_cast<std::size_t>(n);
        from.queueEmpty = from.count < HelperBatch;
    }
    return false;
}

bool IcmpSocket::readFromHelper(std::span<const std::uint8_t> m, ReceivedPacket& packet)
{
    if (m.size() < 2)
        return false;
    const bool ourFamily = m[1] == (m_family.v6 ? 6 : 4);
    packet = ReceivedPacket{};
    packet.v6 = m_family.v6;
    if (m[0] == AnswerPacket && m.size() >= PacketHeaderSize && ourFamily) {
        // An IPv4 datagram carries its own source, TTL and class; an
        // ICMPv6 message came with them.
        packet.origin = m_family.v6 ? ReceivedPacket::Origin::Icmp6Message : ReceivedPacket::Origin::RawPacket;
        packet.ttl = m[2];
        packet.tos = m[3];
        // As if the echo had left when this process stamped it: the
        // round trip is the network's, not the hop's to the helper.
        packet.arrivedNs = read64(m, 8);
        if (packet.arrivedNs != 0)
            packet.arrivedNs -= read32(m, 4);
        if (m_family.v6)
            std::copy_n(m.begin() + 16, packet.source6.size(), packet.source6.begin());
        packet.sequence = read16(m, 32);
        packet.bytes = m.subspan(PacketHeaderSize);
        return true;
    }
    if (m[0] == AnswerRefused && m.size() >= RefusalSize && ourFamily) {
        // Never sent: the echo ends with what the send would have said.
        packet.origin = ReceivedPacket::Origin::LocalRefusal;
        packet.localErrno = static_cast<int>(read32(m, 4));
        packet.bytes = m.subspan(8, 8);
        packet.sequence = read16(m, 14);
        return true;
    }
    if (m[0] == AnswerFailed)
        m_helper->failed();
    return false;
}
