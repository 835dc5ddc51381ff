#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

// Runs workers against the test network the way the window does, and
// copies each outcome while its worker waits in the callback.
struct EchoInput {
    QString host;
    std::int32_t payloadSize = 32;
    std::int32_t timeOut = 2000;
    std::int32_t ttl = 32;
    bool reverseLookup = false;
};

// The worker's own fields, copied as they are: the engine's tests look
// beneath what the monitor makes of them (its EchoOutcome).
struct EchoCopy {
    bool done = false;
    QString hostText, hostIP, replyAddress, replyHostName, errorText, constructionError;
    std::uint32_t replyStatus = 0, roundTripTime = 0, errorNumber = 0;
    std::uint16_t replyDataSize = 0;
    std::int32_t replyCount = -1;
    qint64 elapsedMs = 0;  // from the start of the batch to the callback
};

std::vector<EchoCopy> runEchoes(const std::vector<EchoInput>& inputs, int waitMs = 8000);
EchoCopy runEcho(const EchoInput& input);

// The client namespace's count of echo requests sent, from /proc/net/snmp.
long icmpEchoesSent();

// Opens or closes the kernel's datagram ICMP sockets to every group in the
// client namespace, which decides the socket kind the engine uses.
void setPingSocketsAllowed(bool allowed);

// Floods a host with echo requests from a raw socket of its own, as a
// neighbour's "ping -f" would, until it goes out of scope. Every reply of
// the host reaches every raw ICMP socket of the machine.
class PingFlood {
public:
    explicit PingFlood(const char* host);
    // Opens the floods' raw sockets now, for a test run that is about to
    // give up the privilege they need.
    static void openEarly();
    ~PingFlood();
    PingFlood(const PingFlood&) = delete;
    PingFlood& operator=(const PingFlood&) = delete;
    long sent() const { return m_sent.load(); }

private:
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_sent{0};
    std::thread m_sender;
};
