#include "FakeEchoService.h"

#include "ping/StopSignal.h"

#include <cstring>
#include <poll.h>

FakeEchoService::FakeEchoService(Fail fail, Answer answer)
    : m_fail(fail)
    , m_answer(answer)
    , m_previous(EchoService::install(this))
{
}

FakeEchoService::~FakeEchoService()
{
    EchoService::install(m_previous);
}

void FakeEchoService::record(const std::string& call)
{
    const std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
}

int FakeEchoService::Startup(std::uint16_t version)
{
    record("Startup " + std::to_string(version));
    const std::lock_guard lock(m_mutex);
    ++m_balance;
    return m_fail == Fail::Startup ? 10091 : 0;
}

void FakeEchoService::Cleanup()
{
    record("Cleanup");
    const std::lock_guard lock(m_mutex);
    --m_balance;
}

bool FakeEchoService::Load()
{
    record("Load");
    return m_fail != Fail::Load;
}

void FakeEchoService::Unload()
{
    record("Unload");
}

bool FakeEchoService::HasEntryPoints()
{
    record("HasEntryPoints");
    return m_fail != Fail::EntryPoints;
}

EchoHandle FakeEchoService::CreateFile()
{
    record("CreateFile");
    if (m_fail == Fail::Handle)
        return InvalidEchoHandle;
    const std::lock_guard lock(m_mutex);
    return m_nextHandle++;
}

void FakeEchoService::CloseHandle(EchoHandle handle)
{
    record("CloseHandle " + std::to_string(handle));
}

std::uint32_t FakeEchoService::SendEcho(EchoHandle, std::uint32_t destination, const void* request,
                                        std::uint16_t requestSize, const IpOptionInformation* options,
                                        void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs,
                                        std::uint32_t& status)
{
    record("SendEcho");
    SentEcho sent;
    sent.destination = destination;
    const auto* bytes = static_cast<const std::uint8_t*>(request);
    sent.request.assign(bytes, bytes + requestSize);
    sent.options = *options;
    sent.replySize = replySize;
    sent.timeoutMs = timeoutMs;
    {
        const std::lock_guard lock(m_mutex);
        m_echoes.push_back(sent);
    }
    if (m_answer == Answer::WaitForStop) {
        // Stands for a silent host: nothing but a stop request ends the wait.
        if (const StopSignal* stop = StopSignal::current()) {
            pollfd p{stop->fd(), POLLIN, 0};
            poll(&p, 1, static_cast<int>(timeoutMs));
        }
        status = 11010;
        return 0;
    }
    if (m_answer == Answer::Silence) {
        status = 11010;
        return 0;
    }
    IcmpEchoReply reply;
    reply.Address = replyAddress;
    reply.Status = replyStatus;
    reply.RoundTripTime = replyTime;
    reply.DataSize = requestSize;
    reply.DataOffset = sizeof reply;
    std::memcpy(replyBuffer, &reply, sizeof reply);
    status = replyStatus;
    return 1;
}

// Recorded and answered as an IPv4 echo; a reply comes from the destination.
std::uint32_t FakeEchoService::SendEcho6(EchoHandle handle, const Ipv6Address& destination, std::uint32_t scope,
                                         const void* request, std::uint16_t requestSize,
                                         const IpOptionInformation* options, void* replyBuffer,
                                         std::uint32_t replySize, std::uint32_t timeoutMs,
                                         std::uint32_t& status)
{
    const auto count = SendEcho(handle, 0, request, requestSize, options, replyBuffer, replySize, timeoutMs, status);
    {
        const std::lock_guard lock(m_mutex);
        m_echoes.back().destination6 = destination;
        m_echoes.back().scope6 = scope;
    }
    if (count == 0)
        return 0;
    Icmpv6EchoReply reply;
    reply.Address = destination;
    reply.Status = replyStatus;
    reply.RoundTripTime = replyTime;
    reply.DataSize = requestSize;
    std::memcpy(replyBuffer, &reply, sizeof reply);
    return count;
}

std::vector<std::string> FakeEchoService::calls() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeEchoService::SentEcho> FakeEchoService::echoes() const
{
    const std::lock_guard lock(m_mutex);
    return m_echoes;
}

int FakeEchoService::balance() const
{
    const std::lock_guard lock(m_mutex);
    return m_balance;
}
