#pragma once

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

    struct NameEntry {
        QString officialName;
        std::uint32_t address = 0;  // network byte order
    };

    // Dotted text as inet_addr reads it; NoAddress when it is none.
    static std::uint32_t parseAddress(const QString& text);

    // Forward lookup; on failure, error receives the resolver's error number.
    static std::optional<NameEntry> lookUpName(const QString& name, std::uint32_t& error);

    // Reverse lookup. Its answer, name or none, is kept for a few minutes:
    // a slot asks about the same address on every echo.
    static std::optional<QString> lookUpAddress(std::uint32_t address);

    static QString dottedText(std::uint32_t address);
};
