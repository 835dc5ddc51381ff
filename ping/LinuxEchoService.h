#pragma once

#include "ping/EchoService.h"
#include "ping/IcmpSocket.h"

#include <atomic>

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
    std::uint32_t SendEcho(EchoHandle handle, std::uint32_t destination, const void* request,
                           std::uint16_t requestSize, const IpOptionInformation* options,
                           void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs,
                           std::uint32_t& status) override;

    std::uint32_t SendEcho6(EchoHandle handle, const Ipv6Address& destination, std::uint32_t scope,
                            const void* request, std::uint16_t requestSize, const IpOptionInformation* options,
                            void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs,
                            std::uint32_t& status) override;

    int startupCount() const { return m_startups.load(); }

private:
    LinuxEchoService() = default;

    std::uint32_t send(EchoHandle handle, const IcmpDestination& destination, const void* request,
                       std::uint16_t requestSize, const IpOptionInformation* options, void* replyBuffer,
                       std::uint32_t replySize, std::uint32_t timeoutMs, std::uint32_t& status);

    std::atomic<int> m_startups{0};
};
