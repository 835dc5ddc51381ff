#include "FakeEchoService.h"

#include "ping/FinishedEcho.h"

#include <QTimer>

#include <cstring>

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

std::unique_ptr<EchoInFlight> FakeEchoService::StartEcho(EchoHandle, const IcmpDestination& destination,
                                                         const void* request, std::uint16_t requestSize,
                                                         const IpOptionInformation* options, void* replyBuffer,
                                                         std::uint32_t replySize, std::uint32_t timeoutMs,
                                                         EchoFinished finished)
{
    record("SendEcho");
    SentEcho sent;
    sent.destination = destination.v4;
    sent.destination6 = destination.v6address;
    sent.scope6 = destination.scope;
    const auto* bytes = static_cast<const std::uint8_t*>(request);
    sent.request.assign(bytes, bytes + requestSize);
    sent.options = *options;
    sent.replySize = replySize;
    sent.timeoutMs = timeoutMs;
    {
        const std::lock_guard lock(m_mutex);
        m_echoes.push_back(sent);
    }
    if (m_answer == Answer::WaitForStop)
        return std::make_unique<SilentEcho>(std::move(finished), timeoutMs);
    if (m_answer == Answer::Silence)
        return std::make_unique<FinishedEcho>(std::move(finished), IpStatus::RequestTimedOut);
    // An IPv6 reply comes from the destination.
    if (destination.v6) {
        Icmpv6EchoReply reply;
        reply.Address = destination.v6address;
        reply.Status = replyStatus;
        reply.RoundTripTime = replyTime;
        reply.DataSize = requestSize;
        std::memcpy(replyBuffer, &reply, sizeof reply);
    } else {
        IcmpEchoReply reply;
        reply.Address = replyAddress;
        reply.Status = replyStatus;
        reply.RoundTripTime = replyTime;
        reply.DataSize = requestSize;
        reply.DataOffset = sizeof reply;
        std::memcpy(replyBuffer, &reply, sizeof reply);
    }
    return std::make_unique<FinishedEcho>(std::move(finished), replyStatus, 1);
}

FakeEchoService::SilentEcho::SilentEcho(EchoFinished finished, std::uint32_t timeoutMs)
{
    QTimer::singleShot(static_cast<int>(timeoutMs), &m_guard,
                       [finished = std::move(finished)] { finished(0, IpStatus::RequestTimedOut); });
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
