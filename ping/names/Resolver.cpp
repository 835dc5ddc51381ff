#include "ping/names/Resolver.h"

#include <QHash>

#include <chrono>
#include <cstring>
#include <mutex>

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// The C interfaces end a name at its first NUL; a text that holds one would
// be looked up as something other than what the user wrote.
std::optional<QByteArray> cString(const QString& text)
{
    if (text.contains(QChar(0)))
        return std::nullopt;
    return text.toUtf8();
}

// Reverse answers, name or none, for a few minutes: long enough to spare
// the name server a query per echo, short enough to follow a renamed host.
class ReverseCache {
public:
    static constexpr std::chrono::minutes Lifetime{5};
    static constexpr qsizetype MaxEntries = 4096;

    std::optional<std::optional<QString>> find(const QByteArray& address)
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.constFind(address);
        if (found == m_entries.cend() || Clock::now() >= found->expires)
            return std::nullopt;
        return found->name;
    }

    void keep(const QByteArray& address, const std::optional<QString>& name)
    {
        const std::lock_guard lock(m_mutex);
        // Echo replies come from a handful of addresses; a flood of others
        // must not grow the cache without bound.
        if (m_entries.size() >= MaxEntries)
            m_entries.clear();
        m_entries.insert(address, {name, Clock::now() + Lifetime});
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        std::optional<QString> name;
        Clock::time_point expires;
    };
    std::mutex m_mutex;
    QHash<QByteArray, Entry> m_entries;
};

ReverseCache& reverseCache()
{
    static ReverseCache cache;
    return cache;
}

std::optional<QString> askNameServer(const sockaddr* where, socklen_t size)
{
    char name[NI_MAXHOST];
    if (getnameinfo(where, size, name, sizeof name, nullptr, 0, NI_NAMEREQD) != 0)
        return std::nullopt;
    return QString::fromUtf8(name);
}

// The cache key is the address's bytes: four or sixteen, never confused.
std::optional<QString> lookUpCached(const QByteArray& key, const sockaddr* where, socklen_t size)
{
    if (auto known = reverseCache().find(key))
        return *known;
    auto name = askNameServer(where, size);
    reverseCache().keep(key, name);
    return name;
}

std::optional<Resolver::NameEntry> lookUpFamily(const QByteArray& name, int family, int& result)
{
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_RAW;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    result = getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (result != 0 || !found)
        return std::nullopt;
    Resolver::NameEntry entry;
    entry.v6 = family == AF_INET6;
    if (entry.v6)
        std::memcpy(entry.address6.data(), &reinterpret_cast<const sockaddr_in6*>(found->ai_addr)->sin6_addr,
                    entry.address6.size());
    else
        entry.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    entry.officialName = QString::fromUtf8(found->ai_canonname ? found->ai_canonname : name.constData());
    freeaddrinfo(found);
    return entry;
}

}

std::uint32_t Resolver::parseAddress(const QString& text)
{
    const auto bytes = cString(text);
    if (!bytes)
        return NoAddress;
    return inet_addr(bytes->constData());
}

std::optional<Resolver::Address6> Resolver::parseAddress6(const QString& text)
{
    const qsizetype percent = text.indexOf('%');
    const auto bytes = cString(text.left(percent));
    Address6 parsed;
    if (!bytes || inet_pton(AF_INET6, bytes->constData(), parsed.address.data()) != 1)
        return std::nullopt;
    if (percent < 0)
        return parsed;
    // getaddrinfo takes interface names for link-local addresses only; a
    // zone is the user's say for any address.
    const QString zone = text.mid(percent + 1);
    bool number = false;
    parsed.scope = zone.toUInt(&number);
    if (!number) {
        const auto name = cString(zone);
        parsed.scope = name ? if_nametoindex(name->constData()) : 0;
    }
    if (parsed.scope == 0)
        return std::nullopt;
    return parsed;
}

Resolver::Literal Resolver::parseLiteral(const QString& text)
{
    if (text.contains('%'))
        return {parseAddress(text), parseAddress6(text)};
    // Ten slots' texts, and those of a few edits: a full table starts again.
    constexpr qsizetype MaxKept = 64;
    thread_local QHash<QString, Literal> kept;
    if (const auto found = kept.constFind(text); found != kept.cend())
        return *found;
    if (kept.size() >= MaxKept)
        kept.clear();
    return *kept.insert(text, {parseAddress(text), parseAddress6(text)});
}

std::optional<std::uint32_t> Resolver::mappedIpv4(const Ipv6Address& address)
{
    in6_addr a;
    std::memcpy(&a, address.data(), sizeof a);
    if (!IN6_IS_ADDR_V4MAPPED(&a))
        return std::nullopt;
    std::uint32_t v4;
    std::memcpy(&v4, address.data() + 12, sizeof v4);
    return v4;
}

std::optional<Resolver::NameEntry> Resolver::lookUpName(const QString& name, std::uint32_t& error, Families families)
{
    const auto bytes = cString(name);
    if (!bytes || bytes->isEmpty()) {
        error = static_cast<std::uint32_t>(-EAI_NONAME);
        return std::nullopt;
    }
    int result = EAI_NONAME;
    // IPv4 first, as ever: a name that has an IPv4 address keeps it.
    if (families != Families::Ipv6Only) {
        if (auto entry = lookUpFamily(*bytes, AF_INET, result))
            return entry;
    }
    if (families != Families::Ipv4Only) {
        if (auto entry = lookUpFamily(*bytes, AF_INET6, result))
            return entry;
    }
    error = static_cast<std::uint32_t>(-result);
    return std::nullopt;
}

std::optional<QString> Resolver::lookUpAddress(const QByteArray& address)
{
    sockaddr_storage where{};
    socklen_t size = 0;
    if (address.size() == sizeof(in_addr)) {
        auto& where4 = reinterpret_cast<sockaddr_in&>(where);
        where4.sin_family = AF_INET;
        std::memcpy(&where4.sin_addr, address.constData(), sizeof where4.sin_addr);
        size = sizeof where4;
    } else if (address.size() == sizeof(in6_addr)) {
        auto& where6 = reinterpret_cast<sockaddr_in6&>(where);
        where6.sin6_family = AF_INET6;
        std::memcpy(&where6.sin6_addr, address.constData(), sizeof where6.sin6_addr);
        size = sizeof where6;
    } else {
        return std::nullopt;
    }
    return lookUpCached(address, reinterpret_cast<const sockaddr*>(&where), size);
}

std::optional<std::optional<QString>> Resolver::knownName(const QByteArray& address)
{
    return reverseCache().find(address);
}

// By hand: the C library's inet_ntop formats each byte through sprintf,
// some 3,000 instructions an address, and this runs for every echo.
QString Resolver::dottedText(std::uint32_t address)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    char text[INET_ADDRSTRLEN];
    char* end = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            *end++ = '.';
        const unsigned byte = bytes[i];
        if (byte >= 100)
            *end++ = char('0' + byte / 100);
        if (byte >= 10)
            *end++ = char('0' + byte / 10 % 10);
        *end++ = char('0' + byte % 10);
    }
    return QString::fromLatin1(text, end - text);
}

QString Resolver::text6(const Ipv6Address& address)
{
    char text[INET6_ADDRSTRLEN];
    inet_ntop(AF_INET6, address.data(), text, sizeof text);
    return QString::fromLatin1(text);
}
