#pragma once

#include "common/TColor.h"
#include "graph/RasterCanvas.h"
#include "graph/VumoScene.h"

#include <QRect>

#include <array>

#include <cstdint>
#include <optional>
#include <vector>

// Paints a graph's scenes into one canvas, a part at a time: what lies
// outside the part keeps its pixels, what lies inside becomes exactly what
// painting the whole scene would have made. The background (rectangle and
// grid) is kept as the three kinds of row it is made of, rebuilt only when
// its colours, grid or scale change.
//
// A corner text blends into the pixels beneath it, so a part that touches
// one grows to take it whole.
//
// A canvas may have `ratio` device pixels per pixel of the graph (a screen
// scaled by 1.5 or 2): then every line keeps its weight (the grid's and the
// outline's one pixel become round(ratio) device pixels, all alike), the
// series are placed from their samples at the device's resolution, and the
// texts are drawn at the ratio's size. At a ratio of 1 this is the graph's
// own picture, pixel for pixel.
class TScenePainter {
public:
    explicit TScenePainter(double ratio = 1.0)
        : FRatio(ratio)
    {
    }
    double Ratio() const { return FRatio; }

    // The part of canvas whose pixels differ between two scenes (or may:
    // a changed segment counts with its whole box), grown to whole texts.
    QRect Changed(TRasterCanvas& canvas, const TVumoScene& before, const TVumoScene& after) const;
    // Paints scene within area, grown to whole texts.
    void Paint(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area);
    // The pixels that Paint writes for `area`: within the canvas, grown to
    // whole corner texts.
    QRect PaintedArea(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area) const;

private:
    struct TextPlace {
        const QString* text;
        QPoint topLeft;
        QRect box;
    };
    using TextPlaces = std::array<TextPlace, 2>;

    std::int32_t device(double pixels) const;
    std::int32_t deviceWidth(std::int32_t penWidth) const;
    TextPlaces textPlaces(TRasterCanvas& canvas, const TVumoScene& scene) const;
    // The stroke's points on the canvas: its own at 1, else made in scratch.
    const std::vector<QPoint>& devicePoints(const TVumoScene& scene, const TSeriesStroke& stroke,
        std::vector<QPoint>& scratch) const;
    QRect strokeChange(const TVumoScene& before, const TSeriesStroke& was, const TVumoScene& after,
        const TSeriesStroke& is, const QRect& bitmap) const;

    struct BackgroundKey {
        TColor Outline;
        TColor Back;
        TColor Grid;
        std::int32_t GridX;
        double XStep;
        std::int32_t GridY;
        double YScale;
        std::int32_t Width;
        std::int32_t Height;
        bool operator==(const BackgroundKey&) const = default;
    };

    void prepareBackground(const TVumoScene& scene, std::int32_t width, std::int32_t height);
    void paintBackground(TRasterCanvas& canvas, const QRect& area) const;

    std::optional<BackgroundKey> FKey;
    // Top, inside and bottom row (fewer on lower bitmaps): the rectangle
    // and the vertical lines.
    std::optional<TRasterCanvas> FRows;
    // Per row of the bitmap: whether a horizontal line fills it.
    std::vector<char> FLineRows;
    TColor FLineColor;
    std::int32_t FOutlineRows = 1;
    double FRatio;
    std::vector<QPoint> FScratch;
};
