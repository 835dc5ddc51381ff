#pragma once

#include "common/TColor.h"
#include "graph/RasterCanvas.h"
#include "graph/ScenePainter.h"
#include "graph/VumoGraph.h"
#include "graph/VumoScene.h"

#include <QFont>
#include <QImage>
#include <QRect>
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
//
// Redraw fixes what the picture shows, from the series and settings as they
// are then; setters change nothing until the next Redraw. The pixels are
// made only when the picture is asked for, in the bitmap itself: several
// Redraws before anyone looks cost one rasterisation, and a graph that
// nobody looks at (its window hidden or minimised) costs none. Only what
// changed since the pixels were last made is painted again: a reply that
// moves nothing costs no pixel.
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
    // image handed out here (the pixels are shared until the next write),
    // so a caller that keeps one makes the next rasterisation copy it.
    QImage Picture();
    // As last set, shown or not.
    const QString& TopLeftText() const { return FTopLeftText; }
    const QString& TopRightText() const { return FTopRightText; }
    TColor BackColor() const { return FBackColor; }
    // The latest Redraw drawn for a screen of `ratio` device pixels per
    // pixel: round(width·ratio) x round(height·ratio) pixels (no device
    // pixel ratio of its own), its lines as heavy as in the picture and its
    // texts at the ratio's size. At a ratio of 1 this is Picture().
    QImage PictureAt(double ratio);
    // The part of the picture that the latest Redraw changed (or may have):
    // a view that showed the Redraw before needs only this part again.
    const QRect& LastChange() const { return FLastChange; }
    // Rasterises the latest Redraw within `area` straight into `target`, an
    // image of the graph's size over someone else's pixels (a window's
    // backing store), so that the picture reaches the screen without
    // passing through the graph's own bitmap. Pixels outside the area are
    // left alone, except those under a corner text that the area touches,
    // which are painted whole. The bitmap is left as it was; Picture()
    // still gives the same pixels.
    void PaintOnto(QImage target, const QRect& area);
    // The pixels PaintOnto writes for `area`.
    QRect PaintedArea(const QRect& area);
    std::int32_t Width() const { return FBitmap.Width(); }
    std::int32_t Height() const { return FBitmap.Height(); }
    const TGraphArray& Graphs() const { return FGraphs; }
    QFont& Font() { return FFont; }

private:
    double scaleFor(std::int64_t largestVisible) const;

    std::int32_t FGraphCount = 0;
    TRasterCanvas FBitmap;
    std::int32_t FGridX = 10;
    std::int32_t FGridY = 10;
    TColor FGridColor = clGray;
    TColor FBackColor = clWhite;
    double FXStep = 2.0;
    TGraphArray FGraphs;
    std::int32_t FHeadroom = 10;
    QFont FFont;
    QString FTopLeftText;
    QString FTopRightText;
    bool FShowTopLeft = false;
    bool FShowTopRight = false;
    // The latest Redraw's scene and the one before, whose storage the next
    // Redraw reuses.
    TVumoScene FScene;
    TVumoScene FPreviousScene;
    QRect FLastChange;
    bool FRedrawn = false;
    TScenePainter FPainter;
    // What FBitmap shows: nothing but white until its first rasterisation.
    TVumoScene FBitmapScene;
    bool FBitmapHasScene = false;
    bool FBitmapCurrent = true;
    // The picture at a screen's resolution, kept as the bitmap is, for the
    // one ratio asked for last.
    struct TDeviceView {
        TDeviceView(double ratio, std::int32_t width, std::int32_t height)
            : Canvas(width, height)
            , Painter(ratio)
        {
        }
        TRasterCanvas Canvas;
        TScenePainter Painter;
        TVumoScene Shows;
        bool HasScene = false;
        bool Current = false;
    };
    std::optional<TDeviceView> FDevice;
};
