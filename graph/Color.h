#pragma once

#include <QRgb>

#include <cstdint>

// A colour as the window and the graph exchange it: red in the low byte,
// green in the second, blue in the third (red is 0x0000FF). QImage keeps
// blue in the low byte instead, so every pixel write goes through ToQRgb.
struct TColor {
    std::uint32_t Value = 0;

    static constexpr TColor FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
    {
        return TColor{red | (std::uint32_t{green} << 8) | (std::uint32_t{blue} << 16)};
    }

    constexpr std::uint8_t Red() const { return Value & 0xFF; }
    constexpr std::uint8_t Green() const { return (Value >> 8) & 0xFF; }
    constexpr std::uint8_t Blue() const { return (Value >> 16) & 0xFF; }

    // Opaque, whatever the unused top byte holds.
    constexpr QRgb ToQRgb() const
    {
        return 0xFF000000u | (std::uint32_t{Red()} << 16) | (std::uint32_t{Green()} << 8) | Blue();
    }

    friend constexpr bool operator==(TColor, TColor) = default;
};

inline constexpr TColor clBlack = TColor::FromRgb(0, 0, 0);
inline constexpr TColor clWhite = TColor::FromRgb(255, 255, 255);
inline constexpr TColor clGray = TColor::FromRgb(128, 128, 128);
inline constexpr TColor clSilver = TColor::FromRgb(192, 192, 192);
inline constexpr TColor clGreen = TColor::FromRgb(0, 128, 0);
inline constexpr TColor clRed = TColor::FromRgb(255, 0, 0);
inline constexpr TColor clBlue = TColor::FromRgb(0, 0, 255);
