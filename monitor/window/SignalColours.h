#pragma once

#include "common/TColor.h"

// The signal by which a graph tells its host's state. The reply processing
// works out a slot's level once and paints the background from it; the
// screen reader's words and the tray read the same level, so that all three
// tell the same.
namespace Signal {

enum class Level {
    Normal,        // white
    LastAbove,     // yellow: the last time above the threshold
    AverageAbove,  // orange: the average at or above the threshold
    Failed,        // red: a lost echo
};

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

// Yellow or orange: above the threshold, however it is measured.
constexpr bool isAbove(Level level)
{
    return level == Level::LastAbove || level == Level::AverageAbove;
}

}
