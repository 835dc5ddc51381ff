#include "graph/VumoGraph.h"

#include "graph/RasterCanvas.h"
#include "graph/RoundHalfEven.h"

#include <algorithm>

TVumoGraph::TVumoGraph(std::int32_t capacity)
    : FCapacity(capacity)
    , FPoints(static_cast<std::size_t>(std::max(capacity, 0)))
{
}

// The maximum is rescanned from scratch only when a sample falls out of the
// window: that is the only moment it can go down.
void TVumoGraph::AddValue(std::int64_t value)
{
    FValues.Add(value);
    FMaxValue = std::max(FMaxValue, value);
    if (FValues.Count() > FCapacity) {
        FValues.RemoveFirst();
        FMaxValue = 0;
        for (const TLinkedNode* node = FValues.First(); node != nullptr; node = node->Next)
            FMaxValue = std::max(FMaxValue, node->Value);
    }
}

void TVumoGraph::Clear()
{
    FValues.Clear();
    FMaxValue = 0;
}

// One pass over the list, oldest first: a point per sample, no more.
void TVumoGraph::ComputePoints(std::int32_t height, double scale, double step)
{
    FPoints.clear();
    for (const TLinkedNode* node = FValues.First(); node != nullptr; node = node->Next) {
        const double x = static_cast<double>(FPoints.size()) * step;
        const double y = height - RoundHalfEven(static_cast<double>(node->Value) * scale) - 3.0;
        FPoints.emplace_back(RoundToPixel(x), SaturateToPixel(y));
    }
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

void TSeriesStroke::Draw(TRasterCanvas& canvas) const
{
    drawLine(canvas, Color, PenWidth, Points);
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
}
