#pragma once

#include "graph/RoundHalfEven.h"

// Sizes the window's start-up, layout and log commands share, and how they
// grow on dense screens. The outer sizes of the layouts include a caption
// and frame that the window manager draws around our client area.
namespace WindowMetrics {

inline constexpr int FrameWidth = 8;
inline constexpr int CaptionAndFrameHeight = 30;
inline constexpr int DesignWidth = 705;
inline constexpr int WideWidth = 930;  // with the combined log shown
inline constexpr int TopBarHeight = 57;

// Window sizes round as pixels do, ties to the even neighbour.
inline int roundHalfEven(double value)
{
    return RoundToPixel(value);
}

// The screen scale. screenFactor is the screen's logical dots per inch over
// 96; only a denser screen scales. Heights, the log's height and the widths
// of "Show log" grow by the factor and a tenth of its excess.
inline bool scales(double screenFactor)
{
    return screenFactor > 1.0;
}

inline double growth(double screenFactor)
{
    return scales(screenFactor) ? screenFactor + (screenFactor - 1.0) / 10.0 : 1.0;
}

// The start-up width grows by the factor times one and a tenth of its excess.
inline int startWidth(double screenFactor)
{
    if (!scales(screenFactor))
        return DesignWidth;
    return roundHalfEven(screenFactor * DesignWidth * ((screenFactor - 1.0) / 10.0 + 1.0));
}

}
