#pragma once

#include "ping/EchoService.h"
#include "ping/socket/IcmpSocket.h"

// The echo service on Linux: every handle shares the process's one ICMP
// socket (EchoExchange).
class LinuxEchoService final : public EchoService {
public:
    static LinuxEchoService& instance();

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

private:
    LinuxEchoService() = default;

    int m_startups = 0;
};
