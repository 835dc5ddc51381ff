#include "ping/socket/IcmpSocket.h"

#include "packet/KernelStamp.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

ssize_t IcmpSocket::read(Message& m, int flags)
{
    int attempts = 0;
    for (;;) {
        m.from = {};
        m.iov = {m_buffer.data(), m_buffer.size()};
        m.msg = {};
        m.msg.msg_name = &m.from;
        m.msg.msg_namelen = sizeof m.from;
        m.msg.msg_iov = &m.iov;
        m.msg.msg_iovlen = 1;
        m.msg.msg_control = m_control.data();
        m.msg.msg_controllen = m_control.size();
        const ssize_t n = recvmsg(m_fd, &m.msg, flags | MSG_DONTWAIT);
        if (n >= 0 || errno == EAGAIN)
            return n;
        if (errno == EINTR)
            continue;
        // A pending router report that this read has taken off the socket:
        // its message waits in the error queue, which is read before this
        // queue again, so that a report never overtakes the answer before it.
        m_reportsWaiting = true;
        if (!(flags & MSG_ERRQUEUE) || ++attempts >= AttemptsPastPendingReports)
            return n;
    }
}

bool IcmpSocket::receive(ReceivedPacket& packet)
{
    return m_helper ? receiveFromHelper(packet) : receiveMessage(packet);
}

// A datagram socket hands over the bare ICMP message, its sender and, when asked, the hop limit (TTL) and class
// of service it arrived with.
bool IcmpSocket::receiveMessage(ReceivedPacket& packet)
{
    for (;;) {
        Message m;
        const ssize_t n = read(m, 0);
        if (n < 0)
            return false;
        if (m.msg.msg_flags & MSG_TRUNC)
            continue;
        packet = ReceivedPacket{};
        packet.origin = m_family.messageOrigin;
        packet.v6 = m_family.v6;
        packet.bytes = {m_buffer.data(), static_cast<std::size_t>(n)};
        packet.arrivedNs = kernelStamp(m.msg);
        m_family.readAddress(m.from, packet.source, packet.source6);
        for (cmsghdr* c = CMSG_FIRSTHDR(&m.msg); c; c = CMSG_NXTHDR(&m.msg, c)) {
            if (c->cmsg_level != m_family.level || c->cmsg_len < CMSG_LEN(1))
                continue;
            const bool oneByte = m_family.tosInOneByte && c->cmsg_type == m_family.tosMessage;
            int value = *CMSG_DATA(c);
            if (!oneByte && c->cmsg_len < CMSG_LEN(sizeof value))
                continue;
            if (!oneByte)
                std::memcpy(&value, CMSG_DATA(c), sizeof value);
            if (c->cmsg_type == m_family.ttlMessage)
                packet.ttl = static_cast<std::uint8_t>(value);
            else if (c->cmsg_type == m_family.tosMessage)
                packet.tos = static_cast<std::uint8_t>(value);
        }
        return true;
    }
}

// The helper relays reports as the packets that carried them.
bool IcmpSocket::receiveError(ReceivedPacket& packet)
{
    if (m_helper || !m_reportsWaiting)
        return false;
    for (;;) {
        Message m;
        const ssize_t n = read(m, MSG_ERRQUEUE);
        // Read to its end, or past what it cannot give: whatever stays
        // there keeps the socket's error flag raised for the next wake-up.
        if (n < 0) {
            m_reportsWaiting = false;
            return false;
        }
        const sockaddr_storage& target = m.from;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m.msg); c; c = CMSG_NXTHDR(&m.msg, c)) {
            const bool report = c->cmsg_level == m_family.level && c->cmsg_type == m_family.receiveErrorsOption;
            if (!report || c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err)))
                continue;
            sock_extended_err error;
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            packet = ReceivedPacket{};
            packet.v6 = m_family.v6;
            packet.bytes = {m_buffer.data(), static_cast<std::size_t>(n)};
            packet.arrivedNs = kernelStamp(m.msg);
            if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
                // Our own kernel refused the request (too big for the path,
                // for instance): it never left, so nobody else reports.
                packet.origin = ReceivedPacket::Origin::LocalRefusal;
                packet.localErrno = static_cast<int>(error.ee_errno);
                return true;
            }
            if (error.ee_origin != m_family.reportOrigin)
                continue;
            packet.origin = ReceivedPacket::Origin::QueuedError;
            // The reporter's address follows the error, as far as it fits.
            sockaddr_storage reporter{};
            const std::size_t given = c->cmsg_len - CMSG_LEN(sizeof error);
            std::memcpy(&reporter, CMSG_DATA(c) + sizeof error, std::min(given, sizeof reporter));
            m_family.readAddress(reporter, packet.source, packet.source6);
            m_family.readAddress(target, packet.target, packet.target6);
            packet.icmpType = error.ee_type;
            packet.icmpCode = error.ee_code;
            return true;
        }
        // An entry without a report we understand: read on.
    }
}
