#include "graph/ScenePainter.h"

#include "graph/RoundHalfEven.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

struct TextPlace {
    const QString* text;
    QPoint topLeft;
    QRect box;
};

// Where the corner texts of scene stand: the top-left one at (1, 1), the
// top-right one ending one pixel inside the right edge.
std::array<TextPlace, 2> textPlaces(TRasterCanvas& canvas, const TVumoScene& scene)
{
    canvas.SetFont(scene.Font);
    std::array<TextPlace, 2> places{
        TextPlace{&scene.TopLeftText, QPoint(1, 1), QRect()},
        TextPlace{&scene.TopRightText, QPoint(), QRect()},
    };
    if (!scene.TopRightText.isEmpty())
        places[1].topLeft = QPoint(canvas.Width() - canvas.TextWidth(scene.TopRightText) - 1, 1);
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    for (TextPlace& place : places)
        if (!place.text->isEmpty())
            place.box = canvas.TextBox(place.topLeft, *place.text).intersected(bitmap);
    return places;
}

QRect grownToTexts(const std::array<TextPlace, 2>& places, QRect area)
{
    for (bool grew = true; grew;) {
        grew = false;
        for (const TextPlace& place : places) {
            if (area.intersects(place.box) && !area.contains(place.box)) {
                area |= place.box;
                grew = true;
            }
        }
    }
    return area;
}

// The box of points from .. to of a stroke and the pen around them, within
// the bitmap. Points far outside are pinned just outside it first: the part
// of a line inside the bitmap lies within the box of its pinned ends.
QRect strokeBox(const TSeriesStroke& stroke, std::size_t from, std::size_t to, const QRect& bitmap)
{
    std::int64_t left = bitmap.right() + 1, right = bitmap.left() - 1;
    std::int64_t top = bitmap.bottom() + 1, bottom = bitmap.top() - 1;
    for (std::size_t i = from; i <= to && i < stroke.Points.size(); ++i) {
        const std::int64_t x = std::clamp<std::int64_t>(stroke.Points[i].x(), -1, bitmap.right() + 1);
        const std::int64_t y = std::clamp<std::int64_t>(stroke.Points[i].y(), -1, bitmap.bottom() + 1);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    if (left > right)
        return QRect();
    const std::int64_t width = std::clamp(stroke.PenWidth, 1, 1 << 20);
    const std::int64_t before = (width - 1) / 2;
    const std::int64_t after = width / 2;
    const QRect box(QPoint(static_cast<int>(std::max<std::int64_t>(left - before, bitmap.left() - 1)),
                        static_cast<int>(std::max<std::int64_t>(top - before, bitmap.top() - 1))),
        QPoint(static_cast<int>(std::min<std::int64_t>(right + after, bitmap.right() + 1)),
            static_cast<int>(std::min<std::int64_t>(bottom + after, bitmap.bottom() + 1))));
    return box.intersected(bitmap);
}

// The segments that differ between two strokes drawn at the same place in
// the order of the series: those touching a point that moved, came or went.
QRect strokeChange(const TSeriesStroke& before, const TSeriesStroke& after, const QRect& bitmap)
{
    const std::size_t all = std::max(before.Points.size(), after.Points.size());
    if (all == 0)
        return QRect();
    if (before.Color != after.Color || before.PenWidth != after.PenWidth)
        return strokeBox(before, 0, all, bitmap) | strokeBox(after, 0, all, bitmap);
    const std::size_t common = std::min(before.Points.size(), after.Points.size());
    std::size_t first = 0;
    while (first < common && before.Points[first] == after.Points[first])
        ++first;
    if (first == all)
        return QRect();
    std::size_t last = all - 1;
    if (before.Points.size() == after.Points.size())
        while (last > first && before.Points[last] == after.Points[last])
            --last;
    const std::size_t from = first > 0 ? first - 1 : 0;
    return strokeBox(before, from, last + 1, bitmap) | strokeBox(after, from, last + 1, bitmap);
}

} // namespace

QRect TScenePainter::Changed(TRasterCanvas& canvas, const TVumoScene& before, const TVumoScene& after)
{
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    if (!before.SameBackground(after))
        return bitmap;
    QRect area;
    const std::size_t series = std::max(before.Series.size(), after.Series.size());
    const TSeriesStroke none;
    for (std::size_t k = 0; k < series; ++k)
        area |= strokeChange(k < before.Series.size() ? before.Series[k] : none,
            k < after.Series.size() ? after.Series[k] : none, bitmap);

    // Measuring texts costs more than comparing them: a reply that changes
    // nothing measures nothing.
    const bool textsChanged = before.TopLeftText != after.TopLeftText || before.TopRightText != after.TopRightText
        || before.Font != after.Font;
    if (area.isEmpty() && !textsChanged)
        return area;
    const std::array<TextPlace, 2> is = textPlaces(canvas, after);
    if (textsChanged) {
        const std::array<TextPlace, 2> was = textPlaces(canvas, before);
        for (std::size_t t = 0; t < was.size(); ++t)
            if (*was[t].text != *is[t].text || was[t].topLeft != is[t].topLeft || before.Font != after.Font)
                area |= was[t].box | is[t].box;
    }
    return grownToTexts(is, area);
}

void TScenePainter::Paint(TRasterCanvas& canvas, const TVumoScene& scene, const QRect& area)
{
    const QRect bitmap(0, 0, canvas.Width(), canvas.Height());
    const std::array<TextPlace, 2> places = textPlaces(canvas, scene);
    const QRect part = grownToTexts(places, area.intersected(bitmap));
    if (part.isEmpty())
        return;
    prepareBackground(scene, canvas.Width(), canvas.Height());
    paintBackground(canvas, part);

    canvas.SetClip(part);
    for (const TSeriesStroke& series : scene.Series)
        series.Draw(canvas);
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

    if (!FRows || FRows->Width() != width || FRows->Height() != std::min(height, 3))
        FRows.emplace(width, std::min(height, 3));
    TRasterCanvas& rows = *FRows;
    rows.SetPenWidth(1);
    rows.SetPenColor(scene.Outline);
    rows.SetBrushColor(scene.Back);
    rows.Rectangle(0, 0, rows.Width(), rows.Height());
    rows.SetPenColor(scene.Grid);
    for (std::int32_t x = 0; x <= width;) {
        rows.Line(QPoint(x, 0), QPoint(x, rows.Height()));
        const std::int32_t next = RoundToPixel(x + scene.GridX * scene.XStep);
        if (next <= x)
            break;
        x = next;
    }

    FLineColor = scene.Grid;
    FLineRows.assign(static_cast<std::size_t>(std::max(height, 0)), 0);
    for (std::int32_t y = height; y >= 0;) {
        if (y < height)
            FLineRows[static_cast<std::size_t>(y)] = 1;
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
        return y == 0 ? 0 : y == height - 1 ? last : 1;
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
