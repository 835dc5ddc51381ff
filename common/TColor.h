#pragma once

#include <QColor>
#include <QRgb>

#include <cstdint>

// A colour as the window, its controls and the graphs exchange it: red in
// the low byte, green in the second, blue in the third (red is 0x0000FF).
// QImage and QColor keep blue in the low byte instead, so every pixel write
// goes through ToQRgb or ToQColor. The top byte is ignored: the colour is
// always opaque.
struct TColor {
    std::uint32_t Value = 0;

    static constexpr TColor FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
    {
        return TColor{red | (std::uint32_t{green} << 8) | (std::uint32_t{blue} << 16)};
    }

    constexpr std::uint8_t Red() const { return Value & 0xFF; }
    constexpr std::uint8_t Green() const { return (Value >> 8) & 0xFF; }
    constexpr std::uint8_t Blue() const { return (Value >> 16) & 0xFF; }

    constexpr QRgb ToQRgb() const
    {
        return 0xFF000000u | (std::uint32_t{Red()} << 16) | (std::uint32_t{Green()} << 8) | Blue();
    }

    QColor ToQColor() const { return QColor(Red(), Green(), Blue()); }
    static TColor FromQColor(const QColor& color) { return FromRgb(color.red(), color.green(), color.blue()); }

    friend constexpr bool operator==(TColor, TColor) = default;
};

inline constexpr TColor clBlack = TColor::FromRgb(0, 0, 0);
inline constexpr TColor clWhite = TColor::FromRgb(255, 255, 255);
inline constexpr TColor clGray = TColor::FromRgb(128, 128, 128);
inline constexpr TColor clSilver = TColor::FromRgb(192, 192, 192);
inline constexpr TColor clGreen = TColor::FromRgb(0, 128, 0);
inline constexpr TColor clRed = TColor::FromRgb(255, 0, 0);
inline constexpr TColor clBlue = TColor::FromRgb(0, 0, 255);
inline constexpr TColor clNavy = TColor::FromRgb(0, 0, 128);
