#pragma once

#include "common/TColor.h"
#include "graph/TextPatchCache.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <span>

// A 32-bit off-screen bitmap with the drawing state the graph needs: pen
// (colour, width), brush colour, font and font colour. Rectangles, lines and
// polylines are drawn by our own code straight into the scanlines, because
// their pixels must follow exact rules; only text goes through QPainter.
// Everything is clipped to the bitmap.
//
// Pixel rules:
// - Rectangle(x1, y1, x2, y2) covers columns x1 .. x2-1 and rows y1 .. y2-1:
//   a one-pixel outline in the pen colour (whatever the pen width) around an
//   inside filled with the brush colour.
// - A line runs from its start point up to, but excluding, its end point.
//   Along its major axis (x when |dx| >= |dy|, else y) it takes one pixel
//   per step, on the minor axis the one nearest the ideal line; an exact
//   half goes toward the end point.
// - Pen width w (0 or less counts as 1) widens every pixel of that one-pixel line
//   across the minor axis, from -(w-1)/2 to +w/2 pixels (integer division):
//   width 2 adds the pixel below for x-major lines and the pixel to the
//   right for y-major lines.
// - A polyline is the chain of such lines, each excluding its end point, so
//   the last point of the polyline is not painted; fewer than two points
//   draw nothing.
// - Lines and polylines change no pixel outside the clip rectangle (the
//   whole bitmap unless set); the pixels inside are those of the unclipped
//   line.
// - Text has its top-left corner at the given point, no background box.
//   Repeats of a text over unchanged pixels are copied from a cache, with
//   the same result as drawing them.
//
// The bitmap is 96 dpi, so that font point sizes come out as on the
// desktop the graph was designed for (10 pt = 13 pixels).
class TRasterCanvas {
public:
    TRasterCanvas(std::int32_t width, std::int32_t height);

    std::int32_t Width() const { return FWidth; }
    std::int32_t Height() const { return FHeight; }
    // Implicitly shared: a copy taken from here never sees later drawing.
    const QImage& Image() const { return FImage; }
    // Draws into `pixels` from now on and hands back the image drawn into
    // before. The new image must be 32-bit and of this canvas's size (such
    // as a QImage laid over part of a window's backing store); it is given
    // the canvas's 96 dpi.
    QImage SwapPixels(QImage pixels);

    void SetPenColor(TColor color) { FPenColor = color; }
    void SetPenWidth(std::int32_t width) { FPenWidth = width; }
    void SetBrushColor(TColor color) { FBrushColor = color; }
    void SetFont(const QFont& font) { FFont = font; }
    void SetFontColor(TColor color) { FFontColor = color; }
    // Within the bitmap; an empty rectangle lets no line through.
    void SetClip(const QRect& clip);
    void ResetClip() { SetClip(QRect(0, 0, FWidth, FHeight)); }

    void Rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    void Line(QPoint from, QPoint to);
    void Polyline(std::span<const QPoint> points);
    // Copies columns left .. right of row `row` of source into each of rows
    // first .. last, as far as both bitmaps reach.
    void FillRows(std::int32_t first, std::int32_t last, const TRasterCanvas& source, std::int32_t row,
        std::int32_t left, std::int32_t right);
    // Every pixel of rect within the bitmap, whatever the clip.
    void Fill(const QRect& rect, TColor color);

    void TextOut(std::int32_t x, std::int32_t y, const QString& text);
    std::int32_t TextWidth(const QString& text) const;
    // Every pixel that TextOut at topLeft may change, in the current font.
    QRect TextBox(QPoint topLeft, const QString& text) const;

private:
    void segment(QRgb* bits, QPoint from, QPoint to, QRgb color, std::int32_t width);
    void fillBlock(QRgb* bits, std::int64_t left, std::int64_t right, std::int64_t top, std::int64_t bottom,
        QRgb color);
    QRgb* pixels();

    QImage FImage;
    // QImage's own accessors are out of line; the pixel loops need these
    // often, and no drawing changes them.
    std::int32_t FWidth;
    std::int32_t FHeight;
    std::int64_t FStride;
    // Inclusive bounds of the clip rectangle.
    std::int64_t FClipLeft = 0;
    std::int64_t FClipTop = 0;
    std::int64_t FClipRight;
    std::int64_t FClipBottom;
    TColor FPenColor = clBlack;
    std::int32_t FPenWidth = 1;
    TColor FBrushColor = clWhite;
    QFont FFont;
    TColor FFontColor = clBlack;
    mutable TTextPatchCache FTextCache;
};
