#include "icmp/HelperServer.h"

#include "icmp/HelperProtocol.h"
#include "icmp/RelayFilter.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

using namespace HelperProtocol;

// A request larger than any we accept is read whole, and refused.
constexpr std::size_t RequestBufferSize = MaxRequestSize + 1;

// To the parent; a parent that does not read loses the answer, it does not
// stop the helper.
void answer(int parent, std::span<const std::uint8_t> message)
{
    while (send(parent, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

// The engine's stamp is its own affair: any value it sends comes back as a
// delay that only its own round trips use.
std::uint32_t sendDelay(std::int64_t engineSentNs, std::int64_t sentNs)
{
    if (engineSentNs <= 0 || engineSentNs > sentNs)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(sentNs - engineSentNs, std::numeric_limits<std::uint32_t>::max()));
}

void writeRefusal(int parent, std::uint8_t kind, bool v6, int error, std::span<const std::uint8_t> header)
{
    std::array<std::uint8_t, RefusalSize> message{};
    message[0] = kind;
    message[1] = v6 ? 6 : 4;
    write32(message, 4, static_cast<std::uint32_t>(error));
    std::copy(header.begin(), header.end(), message.begin() + 8);
    answer(parent, message);
}

}

HelperServer::HelperServer(int parent, std::uint16_t identifier, RawEchoSocket& v4, RawEchoSocket& v6)
    : m_parent(parent)
    , m_identifier(identifier)
    , m_v4(v4)
    , m_v6(v6)
    , m_request(RequestBufferSize)
    , m_answer(PacketHeaderSize + 65536 + 512)
    , m_sendDelays(2 * 65536)
{
}

void HelperServer::run()
{
    std::array<pollfd, 3> watched{{{m_parent, POLLIN, 0}, {m_v4.fd(), POLLIN, 0}, {m_v6.fd(), POLLIN, 0}}};
    for (;;) {
        if (poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        // Replies first: they were stamped already, and a request can wait.
        if (watched[1].revents)
            relay(m_v4, false);
        if (watched[2].revents)
            relay(m_v6, true);
        if (watched[0].revents && !serveRequests())
            return;
    }
}

// False when the parent has gone.
bool HelperServer::serveRequests()
{
    for (;;) {
        const ssize_t n = recv(m_parent, m_request.data(), m_request.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n == 0)
            return false;
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        const auto now = std::chrono::steady_clock::now();
        refreshBroadcasts(now);
        const std::size_t size = std::min(static_cast<std::size_t>(n), m_request.size());
        const RequestRules rules{m_identifier, m_broadcasts};
        HelperRequest request = admitHelperRequest({m_request.data(), size}, rules, m_rate, now);
        if (request.refusal == 0 && static_cast<std::size_t>(n) > m_request.size())
            request.refusal = EMSGSIZE;
        RawEchoSocket& socket = request.v6 ? m_v6 : m_v4;
        if (request.refusal == 0 && socket.fd() < 0)
            request.refusal = socket.openError();
        std::int64_t sentNs = 0;
        if (request.refusal == 0)
            request.refusal = socket.send(request, sentNs);
        if (request.refusal == 0)
            m_sendDelays[request.v6 * 65536u + request.sequence] = sendDelay(request.engineSentNs, sentNs);
        if (request.refusal != 0)
            refuse(request, request.refusal);
    }
}

void HelperServer::relay(RawEchoSocket& socket, bool v6)
{
    RawEchoSocket::Packet packet;
    while (socket.receive(packet)) {
        const auto sequence = concernsOurEchoes(packet.bytes, v6, m_identifier);
        if (!sequence)
            continue;
        std::span<std::uint8_t> m(m_answer.data(), PacketHeaderSize + packet.bytes.size());
        std::fill_n(m.begin(), PacketHeaderSize, 0);
        m[0] = AnswerPacket;
        m[1] = v6 ? 6 : 4;
        m[2] = packet.hopLimit;
        m[3] = packet.trafficClass;
        write32(m, 4, m_sendDelays[v6 * 65536u + *sequence]);
        write64(m, 8, packet.arrivedNs);
        std::copy(packet.source.begin(), packet.source.end(), m.begin() + 16);
        std::copy(packet.bytes.begin(), packet.bytes.end(), m.begin() + PacketHeaderSize);
        answer(m_parent, m);
    }
}

void HelperServer::refuse(const HelperRequest& request, int error)
{
    const auto header = request.header();
    writeRefusal(m_parent, AnswerRefused, request.v6, error, header);
}

// A subnet's broadcast address reaches every host on it: the interfaces'
// addresses are read again at most once a second.
void HelperServer::refreshBroadcasts(std::chrono::steady_clock::time_point now)
{
    if (!m_broadcasts.empty() && now - m_broadcastsRead < std::chrono::seconds(1))
        return;
    m_broadcastsRead = now;
    m_broadcasts.clear();
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return;
    for (const ifaddrs* i = interfaces; i; i = i->ifa_next) {
        if (i->ifa_broadaddr && i->ifa_broadaddr->sa_family == AF_INET && (i->ifa_flags & IFF_BROADCAST))
            m_broadcasts.push_back(reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr);
    }
    freeifaddrs(interfaces);
}

void HelperServer::refuseEverything(int parent, int error)
{
    writeRefusal(parent, AnswerFailed, false, error, {});
    std::vector<std::uint8_t> request(RequestBufferSize);
    ssize_t n;
    while ((n = recv(parent, request.data(), request.size(), MSG_DONTWAIT | MSG_TRUNC)) > 0) {
        const RequestRules anyIdentifier{HelperProtocol::read16(request, 8), {}};
        const auto r = readHelperRequest({request.data(), std::min(static_cast<std::size_t>(n), request.size())},
                                         anyIdentifier);
        writeRefusal(parent, AnswerRefused, r.v6, error, r.header());
    }
}
