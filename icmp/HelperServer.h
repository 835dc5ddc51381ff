#pragma once

#include "icmp/EchoRate.h"
#include "icmp/HelperProtocol.h"
#include "icmp/HelperRequest.h"
#include "icmp/RawEchoSocket.h"

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The helper's work once it holds its raw socket and nothing else: sends
// the echoes its parent asks for, refuses every other request with a
// reason, and relays what concerns its echoes, until the parent goes.
// What one wake-up brings is handled together: the requests read in one
// call and sent in as few, the packets read in one call and relayed in one.
class HelperServer {
public:
    HelperServer(int parent, std::uint16_t identifier, bool v6, RawEchoSocket& socket);
    void run();

    // For a helper that could not get its socket: says why, refuses what
    // was already asked, and returns for the helper to end.
    static void refuseEverything(int parent, int error);

private:
    static constexpr std::size_t Batch = 16;

    bool serveRequests();
    bool parentHasGone() const;
    bool relay();
    void refuse(const HelperRequest& request, int error);

    int m_parent;
    std::uint16_t m_identifier;
    bool m_v6;
    RawEchoSocket& m_socket;
    EchoRate m_rate;
    // Requests as read, each with room for the largest, untouched until the
    // kernel writes into it.
    std::unique_ptr<std::uint8_t[]> m_requestBuffers;
    std::array<iovec, Batch> m_requestVectors{};
    std::array<mmsghdr, Batch> m_requestMessages{};
    std::vector<HelperRequest> m_sendable;
    std::vector<int> m_errors;
    std::vector<std::int64_t> m_sentNs;
    // Relayed packets: a header of ours, then the packet where it was read.
    std::array<RawEchoSocket::Packet, RawEchoSocket::Batch> m_packets;
    std::array<std::array<std::uint8_t, HelperProtocol::PacketHeaderSize>, RawEchoSocket::Batch> m_answerHeaders{};
    std::array<std::array<iovec, 2>, RawEchoSocket::Batch> m_answerVectors{};
    std::array<mmsghdr, RawEchoSocket::Batch> m_answers{};
    // Per sequence: how long after the engine's stamp the echo left, in ns.
    std::vector<std::uint32_t> m_sendDelays;
};
