#pragma once

#include "ping/EchoService.h"

#include <QObject>

#include <mutex>
#include <string>
#include <vector>

// An echo service that records what the client asks of it, fails the step
// it is told to, and answers echoes as configured. Installed for the life
// of the object.
class FakeEchoService final : public EchoService {
public:
    enum class Fail { Nothing, Startup, Load, EntryPoints, Handle };
    enum class Answer { Reply, Silence, WaitForStop };

    struct SentEcho {
        std::uint32_t destination = 0;
        Ipv6Address destination6{};  // of an IPv6 echo
        std::uint32_t scope6 = 0;
        std::vector<std::uint8_t> request;
        IpOptionInformation options;
        std::uint32_t replySize = 0;
        std::uint32_t timeoutMs = 0;
    };

    explicit FakeEchoService(Fail fail = Fail::Nothing, Answer answer = Answer::Reply);
    ~FakeEchoService() override;

    int Startup(std::uint16_t version) override;
    void Cleanup() override;
    bool Load() override;
    void Unload() override;
    bool HasEntryPoints() override;
    EchoHandle CreateFile() override;
    void CloseHandle(EchoHandle handle) override;
    std::unique_ptr<EchoInFlight> StartEcho(EchoHandle handle, const IcmpDestination& destination,
                                            const void* request, std::uint16_t requestSize,
                                            const IpOptionInformation* options, void* replyBuffer,
                                            std::uint32_t replySize, std::uint32_t timeoutMs,
                                            EchoFinished finished) override;

    std::vector<std::string> calls() const;
    std::vector<SentEcho> echoes() const;
    int balance() const;  // start-ups not yet cleaned up

    // What a reply record says.
    std::uint32_t replyAddress = 0x0100000A;  // 10.0.0.1
    std::uint32_t replyStatus = 0;
    std::uint32_t replyTime = 12;

private:
    // A host that never answers: only the time-out, or giving the echo up,
    // ends it.
    class SilentEcho final : public EchoInFlight {
    public:
        SilentEcho(EchoFinished finished, std::uint32_t timeoutMs);

    private:
        QObject m_guard;
    };

    void record(const std::string& call);

    Fail m_fail;
    Answer m_answer;
    EchoService* m_previous;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<SentEcho> m_echoes;
    int m_balance = 0;
    EchoHandle m_nextHandle = 100;
};
