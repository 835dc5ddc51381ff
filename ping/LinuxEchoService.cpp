#include "ping/LinuxEchoService.h"

#include "ping/IcmpSocket.h"

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
    auto socket = IcmpSocket::open();
    if (!socket)
        return InvalidEchoHandle;
    return reinterpret_cast<EchoHandle>(socket.release());
}

void LinuxEchoService::CloseHandle(EchoHandle handle)
{
    if (handle != InvalidEchoHandle)
        delete reinterpret_cast<IcmpSocket*>(handle);
}

std::uint32_t LinuxEchoService::SendEcho(EchoHandle handle, std::uint32_t destination, const void* request,
                                         std::uint16_t requestSize, const IpOptionInformation* options,
                                         void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs,
                                         std::uint32_t& status)
{
    if (handle == InvalidEchoHandle) {
        status = IpStatus::BadRequest;
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(request);
    return reinterpret_cast<IcmpSocket*>(handle)->echo(destination, {bytes, requestSize}, options,
                                                         replyBuffer, replySize, timeoutMs, status);
}
