#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Pixel arithmetic rounds to the nearest integer with ties to the even
// neighbour. Done by hand rather than with std::nearbyint so that a caller's
// floating-point rounding mode cannot move a pixel: every step below is
// exact. It is also branch-free, since the fractions of plotted samples are
// unpredictable.
inline double RoundHalfEven(double x)
{
    // From 2^52 on every double is a whole number (NaN and infinities pass too).
    const double magnitude = std::fabs(x);
    if (!(magnitude < 0x1p52))
        return x;
    const auto doubled = static_cast<std::int64_t>(magnitude + magnitude); // 2·whole + (fraction >= 0.5)
    const std::int64_t whole = doubled >> 1;
    const std::int64_t halfOrMore = doubled & 1;
    const std::int64_t exactHalf = halfOrMore & static_cast<std::int64_t>(magnitude + magnitude == static_cast<double>(doubled));
    const std::int64_t rounded = whole + halfOrMore - (exactHalf & ~whole & 1);
    return std::copysign(static_cast<double>(rounded), x);
}

// Pixel positions are 32-bit. Samples and steps are not bounded, so a
// position far outside the bitmap is pinned to the 32-bit range (still far
// outside) instead of overflowing; NaN, which no drawing can use, becomes 0.
inline std::int32_t SaturateToPixel(double whole)
{
    if (std::isnan(whole))
        return 0;
    if (whole <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (whole >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(whole);
}

inline std::int32_t RoundToPixel(double x)
{
    return SaturateToPixel(RoundHalfEven(x));
}
