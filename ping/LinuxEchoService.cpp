#include "ping/LinuxEchoService.h"

#include "ping/FinishedEcho.h"
#include "ping/socket/EchoExchange.h"

#include <memory>

namespace {

// A handle is a share of the process's one exchange: opening and closing
// one is bookkeeping, and an exchange outlives every echo that uses it.
struct Handle {
    std::shared_ptr<EchoExchange> exchange;
    std::shared_ptr<EchoExchange> exchange6;
};

}

LinuxEchoService& LinuxEchoService::instance()
{
    static LinuxEchoService service;
    return service;
}

int LinuxEchoService::Startup(std::uint16_t)
{
    ++m_startups;
    return 0;
}

void LinuxEchoService::Cleanup()
{
    --m_startups;
}

// Linux has no library to load: the service is built in, with all its entry
// points, so binding cannot fail here.
bool LinuxEchoService::Load()
{
    return true;
}

void LinuxEchoService::Unload()
{
}

bool LinuxEchoService::HasEntryPoints()
{
    return true;
}

EchoHandle LinuxEchoService::CreateFile()
{
    auto exchange = EchoExchange::shared();
    if (!exchange)
        return InvalidEchoHandle;
    return reinterpret_cast<EchoHandle>(new Handle{std::move(exchange), nullptr});
}

void LinuxEchoService::CloseHandle(EchoHandle handle)
{
    if (handle != InvalidEchoHandle)
        delete reinterpret_cast<Handle*>(handle);
}

std::unique_ptr<EchoInFlight> LinuxEchoService::StartEcho(EchoHandle handle, const IcmpDestination& destination,
                                                          const void* request, std::uint16_t requestSize,
                                                          const IpOptionInformation* options, void* replyBuffer,
                                                          std::uint32_t replySize, std::uint32_t timeoutMs,
                                                          EchoFinished finished)
{
    if (handle == InvalidEchoHandle)
        return std::make_unique<FinishedEcho>(std::move(finished), IpStatus::BadRequest);
    auto& share = *reinterpret_cast<Handle*>(handle);
    // The IPv6 socket is opened only when a host needs it; a kernel without
    // IPv6 fails those echoes alone.
    if (destination.v6 && !share.exchange6)
        share.exchange6 = EchoExchange::shared(true);
    EchoExchange* exchange = destination.v6 ? share.exchange6.get() : share.exchange.get();
    if (!exchange)
        return std::make_unique<FinishedEcho>(std::move(finished), IpStatus::GeneralFailure);
    IpOptionInformation given;
    if (options)
        given = *options;
    else
        given.Ttl = 128;
    const auto* bytes = static_cast<const std::uint8_t*>(request);
    return exchange->start(destination, {bytes, requestSize}, given, replyBuffer, replySize, timeoutMs,
                           std::move(finished));
}
