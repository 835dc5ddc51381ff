#include "ping/Resolver.h"

#include <QHash>

#include <chrono>
#include <mutex>

#include <arpa/inet.h>
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

    std::optional<std::optional<QString>> find(std::uint32_t address)
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.constFind(address);
        if (found == m_entries.cend() || Clock::now() >= found->expires)
            return std::nullopt;
        return found->name;
    }

    void keep(std::uint32_t address, const std::optional<QString>& name)
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
    QHash<std::uint32_t, Entry> m_entries;
};

ReverseCache& reverseCache()
{
    static ReverseCache cache;
    return cache;
}

std::optional<QString> askNameServer(std::uint32_t address)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = address;
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&where), sizeof where, name, sizeof name, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return std::nullopt;
    return QString::fromUtf8(name);
}

}

std::uint32_t Resolver::parseAddress(const QString& text)
{
    const auto bytes = cString(text);
    if (!bytes)
        return NoAddress;
    return inet_addr(bytes->constData());
}

std::optional<Resolver::NameEntry> Resolver::lookUpName(const QString& name, std::uint32_t& error)
{
    const auto bytes = cString(name);
    if (!bytes || bytes->isEmpty()) {
        error = static_cast<std::uint32_t>(-EAI_NONAME);
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(bytes->constData(), nullptr, &hints, &found);
    if (result != 0 || !found) {
        error = static_cast<std::uint32_t>(-result);
        return std::nullopt;
    }
    NameEntry entry;
    entry.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    entry.officialName = QString::fromUtf8(found->ai_canonname ? found->ai_canonname : bytes->constData());
    freeaddrinfo(found);
    return entry;
}

std::optional<QString> Resolver::lookUpAddress(std::uint32_t address)
{
    if (auto known = reverseCache().find(address))
        return *known;
    auto name = askNameServer(address);
    reverseCache().keep(address, name);
    return name;
}

QString Resolver::dottedText(std::uint32_t address)
{
    char text[INET_ADDRSTRLEN];
    in_addr a{address};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return QString::fromLatin1(text);
}
