#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Decimal integers as the window's number fields hold them: an optional
// sign and digits, nothing else, within 32 bits.
class StrictInteger {
public:
    static std::optional<std::int32_t> tryParse(const QString& text);

    // Throws std::runtime_error "'<text>' is not a valid integer value".
    static std::int32_t parse(const QString& text);
};
