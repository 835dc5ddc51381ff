#pragma once

#include "common/TColor.h"
#include "graph/RasterCanvas.h"
#include "graph/VumoGraph.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The series of one graph, drawn in index order. The renderer owns them;
// callers reach them through Graphs() to clear a series, read its maximum
// or set its line width and visibility.
using TGraphArray = std::vector<std::unique_ptr<TVumoGraph>>;

// The latency graph of one host slot: paints its series into an off-screen
// bitmap over a background with a grid, scaled so that the largest visible
// sample plus a headroom fills the height, with up to two corner texts.
// Setters never repaint; a change shows only after Redraw, in the Picture
// taken then.
class TVumo {
public:
    TVumo(std::int32_t width, std::int32_t height);
    TVumo(const TVumo&) = delete;
    TVumo& operator=(const TVumo&) = delete;

    void AddGraph(std::int32_t capacity, TColor color);
    void AddValue(std::int32_t index, std::int64_t value);
    void Redraw();

    void SetGridX(std::int32_t samples) { FGridX = samples; }
    void SetGridY(std::int32_t units) { FGridY = units; }
    void SetGridColor(TColor color) { FGridColor = color; }
    void SetBackColor(TColor color) { FBackColor = color; }
    void SetXStep(double pixels) { FXStep = pixels; }
    void SetHeadroom(std::int32_t percent) { FHeadroom = percent; }
    void SetTopLeftText(const QString& text) { FTopLeftText = text; }
    void SetTopRightText(const QString& text) { FTopRightText = text; }
    void SetShowTopLeft(bool show) { FShowTopLeft = show; }
    void SetShowTopRight(bool show) { FShowTopRight = show; }

    // The bitmap as of the latest Redraw. Later drawing never changes an
    // image handed out here (the pixels are shared until the next write).
    QImage Picture() const { return FPicture; }
    const TGraphArray& Graphs() const { return FGraphs; }
    QFont& Font() { return FFont; }

private:
    // Everything the background's pixels depend on.
    struct TBackgroundInputs {
        TColor Outline;
        TColor Back;
        TColor Grid;
        std::int32_t GridX;
        double XStep;
        std::int32_t GridY;
        double YScale;
        friend bool operator==(const TBackgroundInputs&, const TBackgroundInputs&) = default;
    };

    double scaleFor(std::int64_t largestVisible) const;
    void paintBackground();

    std::int32_t FGraphCount = 0;
    double FYScale = 1.0;
    TRasterCanvas FBitmap;
    TRasterCanvas FBackground;
    std::int32_t FGridX = 10;
    std::int32_t FGridY = 10;
    TColor FGridColor = clGray;
    TColor FBackColor = clWhite;
    double FXStep = 2.0;
    QImage FPicture;
    TGraphArray FGraphs;
    std::int32_t FHeadroom = 10;
    QFont FFont;
    QString FTopLeftText;
    QString FTopRightText;
    bool FShowTopLeft = false;
    bool FShowTopRight = false;
    std::optional<TBackgroundInputs> FBackgroundPainted;
};
