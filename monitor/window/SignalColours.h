#pragma once

#include "monitor/echo/SignalLevel.h"

#include "common/TColor.h"

// The background colour of each signal level.
namespace Signal {

constexpr TColor White = TColor::FromRgb(255, 255, 255);
constexpr TColor Yellow = TColor::FromRgb(255, 255, 0);
constexpr TColor Orange = TColor::FromRgb(247, 133, 49);
constexpr TColor Red = TColor::FromRgb(255, 0, 0);

constexpr TColor colourOf(Level level)
{
    switch (level) {
    case Level::LastAbove:
        return Yellow;
    case Level::AverageAbove:
        return Orange;
    case Level::Failed:
        return Red;
    case Level::Normal:
        break;
    }
    return White;
}

}
