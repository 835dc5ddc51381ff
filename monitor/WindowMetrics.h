#pragma once

#include <cmath>

// Sizes the window's start-up and layout commands share. The outer sizes
// of the layouts include a caption and frame that the window manager draws
// around our client area.
namespace WindowMetrics {

inline constexpr int FrameWidth = 8;
inline constexpr int CaptionAndFrameHeight = 30;
inline constexpr int DesignWidth = 705;
inline constexpr int TopBarHeight = 57;

inline int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

}
