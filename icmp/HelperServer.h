#pragma once

#include "icmp/EchoRate.h"
#include "icmp/HelperRequest.h"
#include "icmp/RawEchoSocket.h"

#include <chrono>
#include <cstdint>
#include <vector>

// The helper's work once it holds its raw sockets and nothing else: sends
// the echoes its parent asks for, refuses every other request with a
// reason, and relays what concerns its echoes, until the parent goes.
class HelperServer {
public:
    // Either socket may be closed (fd() < 0), not both.
    HelperServer(int parent, std::uint16_t identifier, RawEchoSocket& v4, RawEchoSocket& v6);
    void run();

    // For a helper that could not get its sockets: says why, refuses what
    // was already asked, and returns for the helper to end.
    static void refuseEverything(int parent, int error);

private:
    bool serveRequests();
    void relay(RawEchoSocket& socket, bool v6);
    void refuse(const HelperRequest& request, int error);
    void refreshBroadcasts(std::chrono::steady_clock::time_point now);

    int m_parent;
    std::uint16_t m_identifier;
    RawEchoSocket& m_v4;
    RawEchoSocket& m_v6;
    EchoRate m_rate;
    std::vector<std::uint8_t> m_request;
    std::vector<std::uint8_t> m_answer;
    std::vector<std::uint32_t> m_broadcasts;
    // Per family and sequence: how long after the engine's stamp the echo
    // left, in ns.
    std::vector<std::uint32_t> m_sendDelays;
    std::chrono::steady_clock::time_point m_broadcastsRead;
};
