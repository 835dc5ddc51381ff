#include "graph/RasterCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// 96 dots per inch, as dots per metre (QImage rounds 3780 × 0.0254 to 96).
constexpr int DotsPerMeterAt96Dpi = 3780;

QImage newBitmap(std::int32_t width, std::int32_t height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(DotsPerMeterAt96Dpi);
    return image;
}

// Fills columns left .. right of rows top .. bottom, already clipped.
inline void paintBlock(QRgb* bits, std::int64_t stride, std::int64_t left, std::int64_t right, std::int64_t top,
    std::int64_t bottom, QRgb color)
{
    for (std::int64_t y = top; y <= bottom; ++y) {
        QRgb* const row = bits + y * stride;
        for (std::int64_t x = left; x <= right; ++x)
            row[x] = color;
    }
}

} // namespace

TRasterCanvas::TRasterCanvas(std::int32_t width, std::int32_t height)
    : FImage(newBitmap(width, height))
    , FWidth(FImage.width())
    , FHeight(FImage.height())
    , FStride(FImage.bytesPerLine() / static_cast<std::int64_t>(sizeof(QRgb)))
    , FClipRight(FWidth - 1)
    , FClipBottom(FHeight - 1)
{
    FImage.fill(clWhite.ToQRgb());
}

QImage TRasterCanvas::SwapPixels(QImage pixels)
{
    pixels.setDotsPerMeterX(DotsPerMeterAt96Dpi);
    pixels.setDotsPerMeterY(DotsPerMeterAt96Dpi);
    std::swap(FImage, pixels);
    FStride = FImage.bytesPerLine() / static_cast<std::int64_t>(sizeof(QRgb));
    return pixels;
}

// Writing through bits() detaches the image first, so pictures handed out
// earlier keep their pixels.
QRgb* TRasterCanvas::pixels()
{
    return reinterpret_cast<QRgb*>(FImage.bits());
}

// Columns left .. right of rows top .. bottom, clipped to the bitmap. Wide
// blocks (the background) paint their first row and copy it to the others,
// which is several times faster than storing pixel by pixel.
void TRasterCanvas::fillBlock(QRgb* bits, std::int64_t left, std::int64_t right, std::int64_t top,
    std::int64_t bottom, QRgb color)
{
    left = std::max<std::int64_t>(left, 0);
    right = std::min<std::int64_t>(right, FWidth - 1);
    top = std::max<std::int64_t>(top, 0);
    bottom = std::min<std::int64_t>(bottom, FHeight - 1);
    constexpr std::int64_t wide = 32;
    if (right - left + 1 < wide) {
        paintBlock(bits, FStride, left, right, top, bottom, color);
        return;
    }
    if (top > bottom)
        return;
    paintBlock(bits, FStride, left, right, top, top, color);
    const QRgb* const first = bits + top * FStride + left;
    const auto bytes = static_cast<std::size_t>(right - left + 1) * sizeof(QRgb);
    for (std::int64_t y = top + 1; y <= bottom; ++y)
        std::memcpy(bits + y * FStride + left, first, bytes);
}

void TRasterCanvas::SetClip(const QRect& clip)
{
    const QRect inside = clip.intersected(QRect(0, 0, FWidth, FHeight));
    FClipLeft = inside.left();
    FClipTop = inside.top();
    FClipRight = inside.isEmpty() ? inside.left() - 1 : inside.right();
    FClipBottom = inside.isEmpty() ? inside.top() - 1 : inside.bottom();
}

void TRasterCanvas::Rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    const std::int64_t left = std::min(x1, x2), right = std::int64_t{std::max(x1, x2)} - 1;
    const std::int64_t top = std::min(y1, y2), bottom = std::int64_t{std::max(y1, y2)} - 1;
    if (left > right || top > bottom)
        return;
    const QRgb pen = FPenColor.ToQRgb();
    QRgb* const bits = pixels();
    fillBlock(bits, left + 1, right - 1, top + 1, bottom - 1, FBrushColor.ToQRgb());
    fillBlock(bits, left, right, top, top, pen);
    fillBlock(bits, left, right, bottom, bottom, pen);
    fillBlock(bits, left, left, top, bottom, pen);
    fillBlock(bits, right, right, top, bottom, pen);
}

void TRasterCanvas::Line(QPoint from, QPoint to)
{
    if (FImage.isNull())
        return;
    segment(pixels(), from, to, FPenColor.ToQRgb(), std::max(FPenWidth, 1));
}

void TRasterCanvas::Polyline(std::span<const QPoint> points)
{
    if (points.size() < 2 || FImage.isNull())
        return;
    QRgb* const bits = pixels();
    const QRgb color = FPenColor.ToQRgb();
    const std::int32_t width = std::max(FPenWidth, 1);
    for (std::size_t i = 1; i < points.size(); ++i)
        segment(bits, points[i - 1], points[i], color, width);
}

// Pixel i (0 <= i < n, n = |major delta|) of the line lies at
//   major = major0 ± i, minor = minor0 ± floor((2·i·a + n) / (2·n)), a = |minor delta|,
// the nearest pixel, halves going toward the end point. The line is walked
// run by run, a run being the pixels of equal minor coordinate; each run,
// widened, is a block of pixels filled row by row. Only the part whose major
// coordinate falls inside the clip rectangle is walked, so a line to a point
// billions of pixels away costs no more than one across the bitmap.
void TRasterCanvas::segment(QRgb* bits, QPoint from, QPoint to, QRgb color, std::int32_t width)
{
    const std::int64_t dx = std::int64_t{to.x()} - from.x();
    const std::int64_t dy = std::int64_t{to.y()} - from.y();
    if (dx == 0 && dy == 0)
        return;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
    const std::int64_t a = xMajor ? std::llabs(dy) : std::llabs(dx);
    const std::int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t minorStep = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const std::int64_t major0 = xMajor ? from.x() : from.y();
    const std::int64_t minor0 = xMajor ? from.y() : from.x();
    const std::int64_t majorLow = xMajor ? FClipLeft : FClipTop;
    const std::int64_t majorHigh = xMajor ? FClipRight : FClipBottom;
    const std::int64_t minorLow = xMajor ? FClipTop : FClipLeft;
    const std::int64_t minorHigh = xMajor ? FClipBottom : FClipRight;

    // Steps i whose major coordinate lies in majorLow .. majorHigh.
    std::int64_t i = std::max<std::int64_t>(majorStep > 0 ? majorLow - major0 : major0 - majorHigh, 0);
    const std::int64_t last = std::min(majorStep > 0 ? majorHigh - major0 : major0 - majorLow, n - 1);
    if (i > last)
        return;

    // offset and remainder: quotient and remainder of (2·i·a + n) / (2·n).
    // 2·i·a can pass 64 bits for lines between far-off points.
    std::int64_t offset = 0;
    std::int64_t remainder = n;
    if (i > 0) {
        const __int128 numerator = __int128{2} * i * a + n;
        offset = static_cast<std::int64_t>(numerator / (2 * n));
        remainder = static_cast<std::int64_t>(numerator % (2 * n));
    }

    const std::int64_t widenBefore = (width - 1) / 2;
    const std::int64_t widenAfter = width / 2;
    while (i <= last) {
        // The minor coordinate moves at the first step k with remainder + 2·a·k >= 2·n;
        // the graph's lines are short, and most runs one or two steps long.
        const std::int64_t missing = 2 * n - remainder;
        std::int64_t runLength = 0;
        if (a == 0)
            runLength = last - i + 1;
        else if (missing <= 2 * a)
            runLength = 1;
        else if (missing <= 4 * a)
            runLength = 2;
        else
            runLength = (missing + 2 * a - 1) / (2 * a);
        const std::int64_t runEnd = std::min(i + runLength - 1, last);
        const std::int64_t majorFrom = std::min(major0 + majorStep * i, major0 + majorStep * runEnd);
        const std::int64_t majorTo = std::max(major0 + majorStep * i, major0 + majorStep * runEnd);
        const std::int64_t minor = minor0 + minorStep * offset;
        const std::int64_t minorFrom = std::max<std::int64_t>(minor - widenBefore, minorLow);
        const std::int64_t minorTo = std::min<std::int64_t>(minor + widenAfter, minorHigh);
        if (xMajor)
            paintBlock(bits, FStride, majorFrom, majorTo, minorFrom, minorTo, color);
        else
            paintBlock(bits, FStride, minorFrom, minorTo, majorFrom, majorTo, color);
        remainder += 2 * a * runLength - 2 * n;
        ++offset;
        i += runLength;
    }
}

void TRasterCanvas::FillRows(std::int32_t first, std::int32_t last, const TRasterCanvas& source, std::int32_t row,
    std::int32_t left, std::int32_t right)
{
    first = std::max(first, 0);
    last = std::min(last, FHeight - 1);
    left = std::max(left, 0);
    right = std::min({right, FWidth - 1, source.FWidth - 1});
    if (first > last || left > right || row < 0 || row >= source.FHeight)
        return;
    const auto bytes = static_cast<std::size_t>(right - left + 1) * sizeof(QRgb);
    QRgb* const bits = pixels() + left;
    const uchar* const from = source.FImage.constScanLine(row) + left * sizeof(QRgb);
    for (std::int64_t y = first; y <= last; ++y)
        std::memcpy(bits + y * FStride, from, bytes);
}

void TRasterCanvas::Fill(const QRect& rect, TColor color)
{
    if (rect.isEmpty() || FImage.isNull())
        return;
    fillBlock(pixels(), rect.left(), rect.right(), rect.top(), rect.bottom(), color.ToQRgb());
}

void TRasterCanvas::TextOut(std::int32_t x, std::int32_t y, const QString& text)
{
    FTextCache.Draw(FImage, QPoint(x, y), text, FFont, FFontColor.ToQRgb());
}

std::int32_t TRasterCanvas::TextWidth(const QString& text) const
{
    return FTextCache.Width(FImage, text, FFont);
}

QRect TRasterCanvas::TextBox(QPoint topLeft, const QString& text) const
{
    return FTextCache.Box(FImage, text, FFont).translated(topLeft);
}
