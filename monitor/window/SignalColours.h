#pragma once

#include "common/TColor.h"

// The background colours by which a graph signals its host's state; the
// reply processing sets them and the screen reader's words are read off
// them, so that both tell the same.
namespace Signal {
constexpr TColor White = TColor::FromRgb(255, 255, 255);
// The last time above the threshold.
constexpr TColor Yellow = TColor::FromRgb(255, 255, 0);
// The average at or above the threshold.
constexpr TColor Orange = TColor::FromRgb(247, 133, 49);
// A lost echo.
constexpr TColor Red = TColor::FromRgb(255, 0, 0);
}
