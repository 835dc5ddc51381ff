#include "ping/Icmp.h"

#include "ping/FinishedEcho.h"

#include <QEventLoop>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint16_t SocketVersion = 0x0101;
constexpr std::size_t ReplyRecordSize = sizeof(IcmpEchoReply);
static_assert(sizeof(Icmpv6EchoReply) <= ReplyRecordSize, "one reply buffer serves both families");
static_assert(sizeof(TICMP::RequestText) - 1 == 45);

const QHash<std::uint32_t, QString>& statusTexts()
{
    static const QHash<std::uint32_t, QString> texts{
        {0, "No error"},
        {11001, "Buffer too small"},
        {11002, "Destination network unreachable"},
        {11003, "Destination host unreachable"},
        {11004, "Destination protocol unreachable"},
        {11005, "Destination port unreachable"},
        {11006, "No resources"},
        {11007, "Bad option"},
        {11008, "Hardware error"},
        {11009, "Packet too big"},
        {11010, "Request timed out"},
        {11011, "Bad request"},
        {11012, "Bad route"},
        {11013, "TTL expired in transit"},
        {11014, "TTL expired in reassembly"},
        {11015, "Parameter problem"},
        {11016, "Source quench"},
        {11017, "Option too big"},
        {11018, "Bad Destination"},
        {11019, "Address deleted"},
        {11020, "Spec MTU change"},
        {11021, "MTU change"},
        {11050, "General failure"},
        {11255, "Pending"},
    };
    return texts;
}

}

TICMP::TICMP()
    : m_service(EchoService::active())
{
    const char* failure = nullptr;
    if (m_service.Startup(SocketVersion) != 0)
        failure = "Error initialising Winsock";
    else if (!(m_libraryLoaded = m_service.Load()))
        failure = "Unable to register icmp.dll";
    else if (!m_service.HasEntryPoints())
        failure = "Error loading dll functions";
    else if ((m_handle = m_service.CreateFile()) == InvalidEchoHandle)
        failure = "Unable to get ping handle";
    if (failure) {
        releaseService();
        throw TICMPException(failure);
    }
}

TICMP::~TICMP()
{
    m_echo.reset();
    releaseService();
}

void TICMP::releaseService()
{
    if (m_handle != InvalidEchoHandle)
        m_service.CloseHandle(m_handle);
    m_handle = InvalidEchoHandle;
    if (m_libraryLoaded)
        m_service.Unload();
    m_libraryLoaded = false;
    // Paired with the start-up even when the start-up itself failed.
    m_service.Cleanup();
}

void TICMP::notice(const QString& text)
{
    if (OnNotice)
        OnNotice(this, text);
}

void TICMP::SetHostAddress(const QString& text)
{
    if (text == HostAddress)
        return;
    HostAddress = text;
    Resolved = false;
}

Resolver::Families TICMP::LookupFamilies() const
{
    return AddressFamily == 4   ? Resolver::Families::Ipv4Only
           : AddressFamily == 6 ? Resolver::Families::Ipv6Only
                                : Resolver::Families::Any;
}

void TICMP::ResolveHost()
{
    if (ResolveLiteral())
        return;
    std::uint32_t error = 0;
    const auto entry = Resolver::lookUpName(HostAddress, error, LookupFamilies());
    UseLookup(entry, error);
}

bool TICMP::ResolveLiteral()
{
    TargetIsIpv6 = false;
    TargetScope6 = 0;
    const Resolver::Literal literal = Resolver::parseLiteral(HostAddress);
    TargetAddr = literal.address;
    auto literal6 = literal.address6;
    // ::ffff:a.b.c.d names an IPv4 host, which only IPv4 reaches.
    if (const auto mapped = literal6 ? Resolver::mappedIpv4(literal6->address) : std::nullopt) {
        TargetAddr = *mapped;
        literal6.reset();
    }
    const auto families = LookupFamilies();
    // No host name holds a colon: an IPv6 text that did not parse (an
    // unknown zone, say) is no question for the name servers. And an
    // address of the family that was ruled out resolves to nothing.
    const bool address = TargetAddr != Resolver::NoAddress || literal6;
    if ((!address && HostAddress.contains(':')) || (literal6 && families == Resolver::Families::Ipv4Only)
        || (address && !literal6 && families == Resolver::Families::Ipv6Only)) {
        TargetAddr = Resolver::NoAddress;
        LastError = IpStatus::BadDestination;
        notice("Unable to resolve " + HostAddress);
        return true;
    }
    if (!address)
        return false;
    HostName = HostAddress;
    if (literal6) {
        TargetIsIpv6 = true;
        TargetAddr6 = literal6->address;
        TargetScope6 = literal6->scope;
    }
    settleTarget();
    return true;
}

void TICMP::UseLookup(const std::optional<Resolver::NameEntry>& entry, std::uint32_t error)
{
    TargetIsIpv6 = false;
    if (!entry) {
        TargetAddr = Resolver::NoAddress;
        LastError = error;
        notice("Unable to resolve " + HostAddress);
        return;
    }
    TargetIsIpv6 = entry->v6;
    TargetAddr = entry->address;
    TargetAddr6 = entry->address6;
    HostName = entry->officialName;
    settleTarget();
}

void TICMP::settleTarget()
{
    if (TargetIsIpv6) {
        // Not an IPv4 target, and no longer the "no address" of a failure.
        TargetAddr = 0;
        HostIP = Resolver::text6(TargetAddr6);
    } else {
        HostIP = Resolver::dottedText(TargetAddr);
    }
    Resolved = true;
}

std::int32_t TICMP::SendEcho()
{
    LastError = 0;
    if (!Resolved)
        ResolveHost();
    std::int32_t result = 0;
    bool done = false;
    QEventLoop loop;
    StartEcho([&](std::int32_t count) {
        result = count;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return result;
}

void TICMP::StartEcho(std::function<void(std::int32_t count)> finished)
{
    // The host was settled before: a failed lookup is not asked again here,
    // on a thread that must not wait for name servers.
    const auto refuse = [&](std::uint32_t status, const char* text) {
        LastError = status;
        notice(text);
        m_echo = std::make_unique<FinishedEcho>([finished](std::uint32_t, std::uint32_t) { finished(0); }, status);
    };
    if (!TargetIsIpv6 && TargetAddr == Resolver::NoAddress)
        return refuse(IpStatus::BadDestination, "Invalid host address");
    // A negative size has no buffer to send; refuse it before allocating.
    if (PayloadSize < 0)
        return refuse(IpStatus::BadRequest, "Invalid payload size");

    // Only the low 16 bits of the size travel, so that is all the request
    // needs, and no reply can carry more data back than was sent.
    const auto sentSize = static_cast<std::uint16_t>(PayloadSize);
    m_request.assign(sentSize, ' ');
    // An empty request may have no buffer at all, and memcpy must never be
    // given a null pointer, not even for no bytes.
    if (sentSize != 0)
        std::memcpy(m_request.data(), RequestText, std::min<std::size_t>(sentSize, sizeof RequestText - 1));
    m_reply.assign(ReplyRecordSize + sentSize, 0);

    if (OnBeforeSend)
        OnBeforeSend(this);

    IpOptionInformation options;
    options.Ttl = static_cast<std::uint8_t>(Ttl);
    options.Flags = static_cast<std::uint8_t>(IpFlags);

    IcmpDestination destination;
    destination.v6 = TargetIsIpv6;
    destination.v4 = TargetAddr;
    destination.v6address = TargetAddr6;
    destination.scope = TargetScope6;
    m_echo = m_service.StartEcho(m_handle, destination, m_request.data(), sentSize, &options, m_reply.data(),
                                 static_cast<std::uint32_t>(m_reply.size()), static_cast<std::uint32_t>(TimeOut),
                                 [this, finished](std::uint32_t count, std::uint32_t status) {
                                     LastError = status;
                                     if (TargetIsIpv6)
                                         std::memcpy(&LastReply6, m_reply.data(), sizeof LastReply6);
                                     else
                                         std::memcpy(&LastReply, m_reply.data(), ReplyRecordSize);
                                     if (OnAfterSend)
                                         OnAfterSend(this, static_cast<std::int32_t>(count));
                                     finished(static_cast<std::int32_t>(count));
                                 });
}

QString TICMP::StatusText() const
{
    return StatusText(LastError);
}

QString TICMP::StatusText(std::uint32_t status)
{
    const auto found = statusTexts().constFind(status);
    if (found != statusTexts().cend())
        return *found;
    return "ICMP error #" + QString::number(status);
}
