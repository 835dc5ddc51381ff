#include "graph/VumoGraph.h"

#include "graph/RasterCanvas.h"
#include "graph/RoundHalfEven.h"

#include <algorithm>

TVumoGraph::TVumoGraph(std::int32_t capacity)
    : FCapacity(capacity)
    , FPoints(static_cast<std::size_t>(std::max(capacity, 0)))
{
}

// The maximum can go down only when a sample falls out of the window, and
// only if that sample was the maximum: only then is it rescanned.
void TVumoGraph::AddValue(std::int64_t value)
{
    FValues.Add(value);
    FMaxValue = std::max(FMaxValue, value);
    if (FRowsValid)
        FRows.push_back(rowOf(value));
    if (FValues.Length() > FCapacity) {
        const std::int64_t dropped = FValues.RemoveFirst();
        if (FRowsValid)
            FRows.erase(FRows.begin());
        if (dropped >= FMaxValue) {
            FMaxValue = 0;
            for (const TLinkedNode* node = FValues.First(); node != nullptr; node = node->Next)
                FMaxValue = std::max(FMaxValue, node->Value);
        }
    }
}

void TVumoGraph::Clear()
{
    FValues.Clear();
    FRows.clear();
    FMaxValue = 0;
}

std::int32_t TVumoGraph::rowOf(std::int64_t value) const
{
    return SaturateToPixel(FRowsHeight - RoundHalfEven(static_cast<double>(value) * FRowsScale) - 3.0);
}

void TVumoGraph::ComputePoints(std::int32_t height, double scale, double step)
{
    if (!FRowsValid || height != FRowsHeight || !(scale == FRowsScale)) {
        FRowsHeight = height;
        FRowsScale = scale;
        FRowsValid = true;
        FRows.clear();
        for (const TLinkedNode* node = FValues.First(); node != nullptr; node = node->Next)
            FRows.push_back(rowOf(node->Value));
    }
    const std::size_t count = FRows.size();
    if (!(step == FColumnsStep))
        FColumns.clear();
    FColumnsStep = step;
    while (FColumns.size() < count)
        FColumns.push_back(RoundToPixel(static_cast<double>(FColumns.size()) * step));
    FPoints.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        FPoints[i] = QPoint(FColumns[i], FRows[i]);
}

namespace {

void drawLine(TRasterCanvas& canvas, TColor color, std::int32_t penWidth, const std::vector<QPoint>& points)
{
    canvas.SetPenColor(color);
    canvas.SetBrushColor(color);
    canvas.SetPenWidth(penWidth);
    canvas.Polyline(points);
}

}

void TVumoGraph::Draw(TRasterCanvas& canvas) const
{
    if (FVisible)
        drawLine(canvas, FColor, FPenWidth, FPoints);
}

void TVumoGraph::CopyStroke(TSeriesStroke& stroke) const
{
    stroke.Color = FColor;
    stroke.PenWidth = FPenWidth;
    stroke.Points.assign(FPoints.begin(), FPoints.end());
    stroke.Values.clear();
    for (const TLinkedNode* node = FValues.First(); node != nullptr; node = node->Next)
        stroke.Values.push_back(node->Value);
}
