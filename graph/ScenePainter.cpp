#include "graph/ScenePainter.h"

#include "graph/RoundHalfEven.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

template <typename Places>
QRect grownToTexts(const Places& places, QRect area)
{
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& place : places) {
            if (area.intersects(place.box) && !area.contains(place.box)) {
                area |= place.box;
                grew = true;
            }
        }
    }
    return area;
}

// The box of points from .. to and a pen of width pixels around them,
// within the bitmap. Points far outside are pinned just outside it first:
// the part of a line inside the bitmap lies within the box of its pinned
// ends.
QRect strokeBox(const std::vector<QPoint>& points, std::int32_t width, std::size_t from, std::size_t to,
    const QRect& bitmap)
{
    std::int64_t left = bitmap.right() + 1, right = bitmap.left() - 1;
    std::int64_t top = bitmap.bottom() + 1, bottom = bitmap.top() - 1;
    for (std::size_t i = from; i <= to && i < points.size(); ++i) {
        const std::int64_t x = std::clamp<std::int64_t>(points[i].x(), -1, bitmap.right() + 1);
        const std::int64_t y = std::clamp<std::int64_t>(points[i].y(), -1, bitmap.bottom() + 1);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    if (left > right)
        return QRect();
    const std::int64_t before = (std::int64_t{width} - 1) / 2;
    const std::int64_t after = width / 2;
    const QRect box(QPoint(static_cast<int>(std::max<std::int64_t>(left - before, bitmap.left() - 1)),
                        static_cast<int>(std::max<std::int64_t>(top - before, bitmap.top() - 1))),
        QPoint(static_cast<int>(std::min<std::int64_t>(right + after, bitmap.right() + 1)),
            static_cast<int>(std::min<std::int64_t>(bottom + after, bitmap.bottom() + 1))));
    return box.intersected(bitmap);
}

} // namespace

std::int32_t TScenePainter::device(double pixels) const
{
    return FRatio == 1.0 ? SaturateToPixel(pixels) : RoundToPixel(pixels * FRatio);
}

// As wide as the pen scaled, and never less than one device pixel.
std::int32_t TScenePainter::deviceWidth(std::int32_t penWidth) const
{
    const std::int32_t width = std::clamp(penWidth, 1, 1 << 20);
    return FRatio == 1.0 ? width : std::max(RoundToPixel(width * FRatio), 1);
}

// Where the corner texts of scene stand: the top-left one at (1, 1), the
// top-right one ending one pixel inside the right edge.
TScenePainter::TextPlaces TScenePainter::textPlaces(TRasterCanvas& canvas, const TVumoScene& scene) const
{
    QFont font = scene.Font;
    if (FRatio != 1.0) {
        if (font.pixelSize() > 0)
            font.setPixelSize(std::max(RoundToPixel(font.pixelSize() * FRatio), 1));
        else
            font.setPointSizeF(font.pointSizeF() * FRatio);
    }
    canvas.SetFont(font);
    const std::int32_t inset = device(1);
    TextPlaces places{
        TextPlace{&scene.TopLeftText, QPoint(inset, inset), QRect()},
        TextPlace{&scene.TopRightText, QPoint(), QRect()},
    };
    if (!scene.TopRightText.isEmpty())
        places[1].topLeft = QPoint(canvas.Width() - canvas.TextWidth(scene.TopRightText) - inset, inset);
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    for (TextPlace& place : places)
        if (!place.text->isEmpty())
            place.box = canvas.TextBox(place.topLeft, *place.text).intersected(bitmap);
    return places;
}

// At another resolution the points are made again from the samples, so
// that a line steps by the device's pixels, not by the graph's.
const std::vector<QPoint>& TScenePainter::devicePoints(const TVumoScene& scene, const TSeriesStroke& stroke,
    std::vector<QPoint>& scratch) const
{
    if (FRatio == 1.0)
        return stroke.Points;
    scratch.clear();
    const double bottom = scene.Height - 3.0;
    for (std::size_t i = 0; i < stroke.Values.size(); ++i)
        scratch.emplace_back(RoundToPixel(static_cast<double>(i) * scene.XStep * FRatio),
            RoundToPixel((bottom - static_cast<double>(stroke.Values[i]) * scene.YScale) * FRatio));
    return scratch;
}

// The segments that differ between two strokes drawn at the same place in
// the order of the series: those touching a sample that changed, came or
// went. Over one background, equal samples are equal points.
QRect TScenePainter::strokeChange(const TVumoScene& before, const TSeriesStroke& was, const TVumoScene& after,
    const TSeriesStroke& is, const QRect& bitmap) const
{
    const std::size_t all = std::max(was.Values.size(), is.Values.size());
    if (all == 0)
        return QRect();
    std::size_t from = 0;
    std::size_t to = all;
    if (was.Color == is.Color && was.PenWidth == is.PenWidth) {
        const std::size_t common = std::min(was.Values.size(), is.Values.size());
        std::size_t first = 0;
        while (first < common && was.Values[first] == is.Values[first])
            ++first;
        if (first == all)
            return QRect();
        std::size_t last = all - 1;
        if (was.Values.size() == is.Values.size())
            while (last > first && was.Values[last] == is.Values[last])
                --last;
        from = first > 0 ? first - 1 : 0;
        to = last + 1;
    }
    std::vector<QPoint> scratch;
    const QRect wasBox = strokeBox(devicePoints(before, was, scratch), deviceWidth(was.PenWidth), from, to, bitmap);
    return wasBox | strokeBox(devicePoints(after, is, scratch), deviceWidth(is.PenWidth), from, to, bitmap);
}

QRect TScenePainter::Changed(TRasterCanvas& canvas, const TVumoScene& before, const TVumoScene& after) const
{
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    if (!before.SameBackground(after))
        return bitmap;
    QRect area;
    const std::size_t series = std::max(before.Series.size(), after.Series.size());
    const TSeriesStroke none;
    for (std::size_t k = 0; k < series; ++k)
        area |= strokeChange(before, k < before.Series.size() ? before.Series[k] : none, after,
            k < after.Series.size() ? after.Series[k] : none, bitmap);

    // Measuring texts costs more than comparing them: a reply that changes
    // nothing measures nothing.
    const bool textsChanged = before.TopLeftText != after.TopLeftText || before.TopRightText != after.TopRightText
        || before.Font != after.Font;
    if (area.isEmpty() && !textsChanged)
        return area;
    const TextPlaces is = textPlaces(canvas, after);
    if (textsChanged) {
        const TextPlaces was = textPlaces(canvas, before);
        for (std::size_t t = 0; t < was.size(); ++t)
            if (*was[t].text != *is[t].text || was[t].topLeft != is[t].topLeft || before.Font != after.Font)
                area |= was[t].box | is[t].box;
    }
    return grownToTexts(is, area);
}

QRect TScenePainter::PaintedArea(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area) const
{
    return grownToTexts(textPlaces(canvas, scene), area.intersected(QRect(0, 0, canvas.Width(), canvas.Height())));
}

void TScenePainter::Paint(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area)
{
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    const TextPlaces places = textPlaces(canvas, scene);
    const QRect part = grownToTexts(places, area.intersected(bitmap));
    if (part.isEmpty())
        return;
    prepareBackground(scene, canvas.Width(), canvas.Height());
    paintBackground(canvas, part);

    canvas.SetClip(part);
    for (const TSeriesStroke& series : scene.Series) {
        canvas.SetPenColor(series.Color);
        canvas.SetBrushColor(series.Color);
        canvas.SetPenWidth(deviceWidth(series.PenWidth));
        canvas.Polyline(devicePoints(scene, series, FScratch));
    }
    canvas.ResetClip();

    // Texts never get a background box; they are always black.
    canvas.SetFontColor(clBlack);
    for (const TextPlace& place : places)
        if (part.intersects(place.box))
            canvas.TextOut(place.topLeft.x(), place.topLeft.y(), *place.text);
}

// The outline of the background rectangle takes the grid colour of the
// Redraw before: black on the very first one. Until the horizontal lines
// come, every row between the outline's top and bottom ones is the same.
//
// Each grid loop ends as soon as a rounded step fails to move the next line
// forward (0 pixels, or backwards for a negative grid setting): such a step
// would leave every further line where it is and the loop would never pass
// the bitmap's edge.
void TScenePainter::prepareBackground(const TVumoScene& scene, std::int32_t width, std::int32_t height)
{
    const BackgroundKey key{scene.Outline, scene.Back, scene.Grid, scene.GridX, scene.XStep, scene.GridY,
        scene.YScale, width, height};
    if (FKey == key)
        return;
    FKey = key;

    // One pixel of the graph, as device pixels: the outline's and every
    // grid line's weight.
    const std::int32_t line = deviceWidth(1);
    const std::int32_t rowCount = std::min(height, 3);
    if (!FRows || FRows->Width() != width || FRows->Height() != rowCount)
        FRows.emplace(width, rowCount);
    TRasterCanvas& rows = *FRows;
    rows.Fill(QRect(0, 0, width, rowCount), scene.Back);
    rows.Fill(QRect(0, 0, width, 1), scene.Outline);
    rows.Fill(QRect(0, rowCount - 1, width, 1), scene.Outline);
    rows.Fill(QRect(0, 0, line, rowCount), scene.Outline);
    rows.Fill(QRect(width - line, 0, line, rowCount), scene.Outline);
    for (std::int32_t x = 0; x <= scene.Width;) {
        rows.Fill(QRect(device(x), 0, line, rowCount), scene.Grid);
        const std::int32_t next = RoundToPixel(x + scene.GridX * scene.XStep);
        if (next <= x)
            break;
        x = next;
    }

    FLineColor = scene.Grid;
    FOutlineRows = line;
    FLineRows.assign(static_cast<std::size_t>(std::max(height, 0)), 0);
    for (std::int32_t y = scene.Height; y >= 0;) {
        const std::int32_t top = device(y);
        for (std::int32_t row = std::max(top, 0); row < std::min<std::int64_t>(std::int64_t{top} + line, height); ++row)
            FLineRows[static_cast<std::size_t>(row)] = 1;
        const std::int32_t next = RoundToPixel(y - scene.GridY * scene.YScale);
        if (next >= y)
            break;
        y = next;
    }
}

// Runs of rows of one kind at a time: a horizontal line, or a copy of the
// top, inside or bottom row.
void TScenePainter::paintBackground(TRasterCanvas& canvas, const QRect& area) const
{
    const std::int32_t height = canvas.Height();
    const std::int32_t last = FRows->Height() - 1;
    const auto kindOf = [&](std::int32_t y) {
        if (FLineRows[static_cast<std::size_t>(y)])
            return -1;
        return y < FOutlineRows ? 0 : y >= height - FOutlineRows ? last : 1;
    };
    for (std::int32_t y = area.top(); y <= area.bottom();) {
        const int kind = kindOf(y);
        std::int32_t end = y;
        while (end < area.bottom() && kindOf(end + 1) == kind)
            ++end;
        if (kind < 0)
            canvas.Fill(QRect(QPoint(area.left(), y), QPoint(area.right(), end)), FLineColor);
        else
            canvas.FillRows(y, end, *FRows, kind, area.left(), area.right());
        y = end + 1;
    }
}
