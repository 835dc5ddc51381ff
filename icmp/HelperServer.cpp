#include "icmp/HelperServer.h"

#include "icmp/RelayFilter.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

namespace {

using namespace HelperProtocol;

// A request larger than any we accept is read cut, and refused.
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

HelperServer::HelperServer(int parent, std::uint16_t identifier, bool v6, RawEchoSocket& socket)
    : m_parent(parent)
    , m_identifier(identifier)
    , m_v6(v6)
    , m_socket(socket)
    , m_requestBuffers(new std::uint8_t[RequestBufferSize * Batch])
    , m_sendDelays(65536)
{
    for (std::size_t i = 0; i < Batch; ++i) {
        m_requestVectors[i] = {m_requestBuffers.get() + i * RequestBufferSize, RequestBufferSize};
        m_requestMessages[i].msg_hdr.msg_iov = &m_requestVectors[i];
        m_requestMessages[i].msg_hdr.msg_iovlen = 1;
    }
    for (std::size_t i = 0; i < RawEchoSocket::Batch; ++i) {
        m_answerVectors[i][0] = {m_answerHeaders[i].data(), m_answerHeaders[i].size()};
        m_answers[i].msg_hdr.msg_iov = m_answerVectors[i].data();
        m_answers[i].msg_hdr.msg_iovlen = 2;
    }
}

void HelperServer::run()
{
    std::array<pollfd, 2> watched{{{m_parent, POLLIN, 0}, {m_socket.fd(), POLLIN, 0}}};
    for (;;) {
        if (poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        // Replies first: they were stamped already, and a request can wait.
        if (watched[1].revents) {
            while (relay()) {
            }
        }
        if (watched[0].revents && !serveRequests())
            return;
    }
}

// The end of the parent's socket reads as an empty message, and so does an
// empty request, which is refused like any other bad one: only the hang-up
// tells them apart.
bool HelperServer::parentHasGone() const
{
    pollfd parent{m_parent, POLLIN | POLLRDHUP, 0};
    return poll(&parent, 1, 0) > 0 && (parent.revents & (POLLHUP | POLLRDHUP));
}

// False when the parent has gone.
bool HelperServer::serveRequests()
{
    for (;;) {
        const int n = recvmmsg(m_parent, m_requestMessages.data(), Batch, MSG_DONTWAIT, nullptr);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        if (n == 0 || (m_requestMessages[static_cast<std::size_t>(n) - 1].msg_len == 0 && parentHasGone()))
            return false;
        const auto now = std::chrono::steady_clock::now();
        const RequestRules rules{m_identifier};
        m_sendable.clear();
        for (int i = 0; i < n; ++i) {
            const mmsghdr& m = m_requestMessages[static_cast<std::size_t>(i)];
            const std::span<const std::uint8_t> bytes(m_requestBuffers.get() + static_cast<std::size_t>(i) * RequestBufferSize,
                                                      m.msg_len);
            HelperRequest request = admitHelperRequest(bytes, rules, m_rate, now);
            if (request.refusal == 0 && (m.msg_hdr.msg_flags & MSG_TRUNC))
                request.refusal = EMSGSIZE;
            if (request.refusal == 0 && request.v6 != m_v6)
                request.refusal = EAFNOSUPPORT;  // the other family has a helper of its own
            if (request.refusal != 0)
                refuse(request, request.refusal);
            else
                m_sendable.push_back(request);
        }
        m_errors.resize(m_sendable.size());
        m_sentNs.resize(m_sendable.size());
        m_socket.send(m_sendable, m_errors, m_sentNs);
        for (std::size_t i = 0; i < m_sendable.size(); ++i) {
            const HelperRequest& request = m_sendable[i];
            if (m_errors[i] != 0)
                refuse(request, m_errors[i]);
            else
                m_sendDelays[request.sequence] = sendDelay(request.engineSentNs, m_sentNs[i]);
        }
        if (static_cast<std::size_t>(n) < Batch)
            return true;
    }
}

// What one read brought goes back in one call; true when the socket may
// hold more.
bool HelperServer::relay()
{
    bool more = false;
    const std::size_t count = m_socket.receive(m_packets, more);
    std::size_t relayed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const RawEchoSocket::Packet& packet = m_packets[i];
        const auto sequence = concernsOurEchoes(packet.bytes, m_v6, m_identifier);
        if (!sequence)
            continue;
        auto& header = m_answerHeaders[relayed];
        header.fill(0);
        header[0] = AnswerPacket;
        header[1] = m_v6 ? 6 : 4;
        header[2] = packet.hopLimit;
        header[3] = packet.trafficClass;
        write32(header, 4, m_sendDelays[*sequence]);
        write64(header, 8, packet.arrivedNs);
        std::copy(packet.source.begin(), packet.source.end(), header.begin() + 16);
        write16(header, 32, *sequence);
        m_answerVectors[relayed][1] = {const_cast<std::uint8_t*>(packet.bytes.data()), packet.bytes.size()};
        ++relayed;
    }
    for (std::size_t sent = 0; sent < relayed;) {
        const int n = sendmmsg(m_parent, &m_answers[sent], static_cast<unsigned>(relayed - sent),
                               MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    return more;
}

void HelperServer::refuse(const HelperRequest& request, int error)
{
    const auto header = request.header();
    writeRefusal(m_parent, AnswerRefused, request.v6, error, header);
}

void HelperServer::refuseEverything(int parent, int error)
{
    writeRefusal(parent, AnswerFailed, false, error, {});
    std::vector<std::uint8_t> request(RequestBufferSize);
    ssize_t n;
    while ((n = recv(parent, request.data(), request.size(), MSG_DONTWAIT | MSG_TRUNC)) > 0) {
        const RequestRules anyIdentifier{HelperProtocol::read16(request, 8)};
        const auto r = readHelperRequest({request.data(), std::min(static_cast<std::size_t>(n), request.size())},
                                         anyIdentifier);
        writeRefusal(parent, AnswerRefused, r.v6, error, r.header());
    }
}
