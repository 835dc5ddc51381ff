#pragma once

#include "ping/EchoService.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The resolver that TICMP and the worker need. getaddrinfo and getnameinfo
// return their results in the caller's own storage, unlike gethostbyname and
// gethostbyaddr, whose process-wide buffers concurrent workers would
// overwrite.
class Resolver {
public:
    static constexpr std::uint32_t NoAddress = 0xFFFFFFFFu;

    // Which addresses a lookup may give.
    enum class Families { Any, Ipv4Only, Ipv6Only };

    struct NameEntry {
        QString officialName;
        bool v6 = false;
        std::uint32_t address = 0;  // network byte order
        Ipv6Address address6{};
    };

    // Dotted text as inet_addr reads it; NoAddress when it is none.
    static std::uint32_t parseAddress(const QString& text);

    struct Address6 {
        Ipv6Address address{};
        std::uint32_t scope = 0;  // interface index; 0 when the text names none
    };

    // IPv6 text as inet_pton reads it, with an optional zone after "%": an
    // interface name or index ("fe80::1%eth0", "::1%1").
    static std::optional<Address6> parseAddress6(const QString& text);

    // An address text read both ways: NoAddress and nothing for a name.
    struct Literal {
        std::uint32_t address = NoAddress;
        std::optional<Address6> address6;
    };
    // Kept per thread for texts without a zone, as each echo reads its
    // slot's text anew; a zone's interface may come and go, so its text is
    // always read again.
    static Literal parseLiteral(const QString& text);

    // The IPv4 address that an IPv4-mapped IPv6 address (::ffff:a.b.c.d)
    // stands for, in network byte order.
    static std::optional<std::uint32_t> mappedIpv4(const Ipv6Address& address);

    // Forward lookup: the first IPv4 address of the name, or, for a name
    // that has none, its first IPv6 address. On failure, error receives the
    // resolver's error number.
    static std::optional<NameEntry> lookUpName(const QString& name, std::uint32_t& error,
                                               Families families = Families::Any);

    // Reverse lookup of the four or sixteen bytes of an address. Its answer,
    // name or none, is kept for a few minutes: a slot asks about the same
    // address on every echo.
    static std::optional<QString> lookUpAddress(const QByteArray& address);
    // The kept answer about an address, name or none; nothing when none is
    // kept, or it is too old.
    static std::optional<std::optional<QString>> knownName(const QByteArray& address);

    static QString dottedText(std::uint32_t address);
    // The canonical text, as inet_ntop writes it.
    static QString text6(const Ipv6Address& address);
};
