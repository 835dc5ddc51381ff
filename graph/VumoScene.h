#pragma once

#include "common/TColor.h"
#include "graph/VumoGraph.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <vector>

// Everything the pixels of one Redraw depend on, fixed when it runs, so that
// the picture can be made later and two pictures compared without drawing.
struct TVumoScene {
    // The graph's size in pixels, whatever the resolution it is drawn at.
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TColor Outline = clBlack;
    TColor Back = clWhite;
    // Black before the first Redraw, which takes it for its outline.
    TColor Grid = clBlack;
    std::int32_t GridX = 0;
    double XStep = 0;
    std::int32_t GridY = 0;
    double YScale = 1.0;
    // The visible series, in index order.
    std::vector<TSeriesStroke> Series;
    QFont Font;
    // Empty when not drawn.
    QString TopLeftText;
    QString TopRightText;

    // Whether the background and its grid are the same pixels.
    bool SameBackground(const TVumoScene& other) const
    {
        return Width == other.Width && Height == other.Height && Outline == other.Outline && Back == other.Back && Grid == other.Grid && GridX == other.GridX
            && XStep == other.XStep && GridY == other.GridY && YScale == other.YScale;
    }
};
