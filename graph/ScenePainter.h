#pragma once

#include "common/TColor.h"
#include "graph/RasterCanvas.h"
#include "graph/VumoScene.h"

#include <QRect>

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
class TScenePainter {
public:
    // The part of canvas whose pixels differ between two scenes (or may:
    // a changed segment counts with its whole box), grown to whole texts.
    static QRect Changed(TRasterCanvas& canvas, const TVumoScene& before, const TVumoScene& after);
    // Paints scene within area, grown to whole texts.
    void Paint(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area);

private:
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
};
