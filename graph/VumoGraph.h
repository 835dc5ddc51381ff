#pragma once

#include "common/TColor.h"
#include "graph/LinkedInt64List.h"

#include <QPoint>

#include <cstdint>
#include <vector>

class TRasterCanvas;

// The line of a series as it stood when a picture was fixed: all that
// drawing it needs, kept apart from the samples that go on arriving.
struct TSeriesStroke {
    TColor Color;
    std::int32_t PenWidth = 0;
    std::vector<QPoint> Points;
    // The samples the points were made from, for drawing at other
    // resolutions and for telling what moved.
    std::vector<std::int64_t> Values;
};

// One plotted series: the most recent samples of one quantity (at most
// FCapacity, oldest first), their maximum, and the line they are drawn with.
// FMaxValue never drops below 0, so negative samples never raise the scale;
// they are still plotted, below the zero line.
class TVumoGraph {
public:
    explicit TVumoGraph(std::int32_t capacity);

    void AddValue(std::int64_t value);
    void Clear();
    std::int64_t MaxValue() const { return FMaxValue; }
    void SetColor(TColor color) { FColor = color; }
    void SetPenWidth(std::int32_t width) { FPenWidth = width; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool Visible() const { return FVisible; }

    // Turns the samples into pixels: sample i at x = round(i·step) and
    // y = height - round(v·scale) - 3, so a sample of 0 lies 3 pixels above
    // the bottom edge. A sample's row is worked out once per scale: while
    // the scale stays, the rows slide with their samples.
    void ComputePoints(std::int32_t height, double scale, double step);
    void Draw(TRasterCanvas& canvas) const;
    // The line Draw paints now, into stroke's storage (reused, not regrown).
    void CopyStroke(TSeriesStroke& stroke) const;

    const TLinkedList& Values() const { return FValues; }
    const std::vector<QPoint>& Points() const { return FPoints; }

private:
    TLinkedList FValues;
    std::int32_t FCapacity;
    std::int64_t FMaxValue = 0;
    TColor FColor = clGreen;
    std::int32_t FPenWidth = 0;
    bool FVisible = true;
    std::vector<QPoint> FPoints;
    // Each kept sample's row, in step with FValues while FRowsValid, for
    // FRowsHeight and FRowsScale; each position's column for FColumnsStep.
    std::vector<std::int32_t> FRows;
    bool FRowsValid = false;
    std::int32_t FRowsHeight = 0;
    double FRowsScale = 0;
    std::vector<std::int32_t> FColumns;
    double FColumnsStep = 0;

    std::int32_t rowOf(std::int64_t value) const;
};
