#include "graph/Vumo.h"

#include "graph/RoundHalfEven.h"

TVumo::TVumo(std::int32_t width, std::int32_t height)
    : FBitmap(width, height)
    , FBackgroundRows(width, 3)
    , FFont(QStringLiteral("Verdana"), 10)
{
}

void TVumo::AddGraph(std::int32_t capacity, TColor color)
{
    FGraphs.push_back(std::make_unique<TVumoGraph>(capacity));
    ++FGraphCount;
    FGraphs.back()->SetColor(color);
}

void TVumo::AddValue(std::int32_t index, std::int64_t value)
{
    if (index >= 0 && index < FGraphCount)
        FGraphs[static_cast<std::size_t>(index)]->AddValue(value);
}

// Pixels per sample unit, so that the largest visible sample plus the
// headroom fills the height. The headroom's share is worked out in floating
// point from the maximum cut to 32 bits, divided by 100 and then multiplied;
// at 10 % every maximum ending in 5 is a tie (15 gives 17, 25 gives 27).
double TVumo::scaleFor(std::int64_t largestVisible) const
{
    std::int64_t top = largestVisible;
    if (FHeadroom > 0) {
        const double share = static_cast<std::int32_t>(largestVisible) / 100.0 * FHeadroom;
        top += static_cast<std::int64_t>(RoundHalfEven(share));
    }
    return top > 0 ? FBitmap.Height() / static_cast<double>(top) : 1.0;
}

// The outline of the background rectangle takes the grid colour of the
// Redraw before: black on the very first one.
//
// Until the horizontal lines come, every row between the outline's top and
// bottom ones is the same: the rectangle and the vertical lines are drawn
// on three rows (top, one inside, bottom) that are then repeated down the
// bitmap, which costs about one fill, less than copying a kept background.
void TVumo::paintBackground()
{
    const std::int32_t height = FBitmap.Height();
    if (height < 3) {
        paintOutlineAndColumns(FBitmap);
    } else {
        paintOutlineAndColumns(FBackgroundRows);
        FBitmap.FillRows(0, 0, FBackgroundRows, 0);
        FBitmap.FillRows(1, height - 2, FBackgroundRows, 1);
        FBitmap.FillRows(height - 1, height - 1, FBackgroundRows, 2);
    }

    // Each grid loop ends as soon as a rounded step fails to move the next
    // line forward (0 pixels, or backwards for a negative grid setting):
    // such a step would leave every further line where it is and the loop
    // would never pass the bitmap's edge.
    FBitmap.SetPenWidth(1);
    FBitmap.SetPenColor(FScene.Grid);
    for (std::int32_t y = height; y >= 0;) {
        FBitmap.Line(QPoint(0, y), QPoint(FBitmap.Width(), y));
        const std::int32_t next = RoundToPixel(y - FScene.GridY * FScene.YScale);
        if (next >= y)
            break;
        y = next;
    }
}

// The background rectangle and the vertical grid lines, which run the
// canvas's whole height.
void TVumo::paintOutlineAndColumns(TRasterCanvas& canvas) const
{
    const std::int32_t width = canvas.Width();
    const std::int32_t height = canvas.Height();
    canvas.SetPenWidth(1);
    canvas.SetPenColor(FScene.Outline);
    canvas.SetBrushColor(FScene.Back);
    canvas.Rectangle(0, 0, width, height);
    canvas.SetPenColor(FScene.Grid);
    for (std::int32_t x = 0; x <= width;) {
        canvas.Line(QPoint(x, 0), QPoint(x, height));
        const std::int32_t next = RoundToPixel(x + FScene.GridX * FScene.XStep);
        if (next <= x)
            break;
        x = next;
    }
}

void TVumo::Redraw()
{
    std::int64_t largestVisible = 0;
    for (const auto& graph : FGraphs) {
        if (graph->MaxValue() > largestVisible && graph->Visible())
            largestVisible = graph->MaxValue();
    }
    const double yScale = scaleFor(largestVisible);

    // The outline takes the grid colour of the Redraw before, whether or
    // not anyone looked at that picture.
    FScene.Outline = FScene.Grid;
    FScene.Back = FBackColor;
    FScene.Grid = FGridColor;
    FScene.GridX = FGridX;
    FScene.XStep = FXStep;
    FScene.GridY = FGridY;
    FScene.YScale = yScale;

    std::size_t visible = 0;
    for (const auto& graph : FGraphs) {
        graph->ComputePoints(FBitmap.Height(), yScale, FXStep);
        if (!graph->Visible())
            continue;
        if (visible == FScene.Series.size())
            FScene.Series.emplace_back();
        graph->CopyStroke(FScene.Series[visible++]);
    }
    FScene.Series.resize(visible);

    FScene.Font = FFont;
    FScene.TopLeftText = FShowTopLeft ? FTopLeftText : QString();
    FScene.TopRightText = FShowTopRight ? FTopRightText : QString();
    FRasterised = false;
}

void TVumo::PaintOnto(QImage target)
{
    const bool rasterised = FRasterised;
    QImage own = FBitmap.SwapPixels(std::move(target));
    rasterise();
    FBitmap.SwapPixels(std::move(own));
    FRasterised = rasterised;
}

void TVumo::rasterise()
{
    paintBackground();
    for (const TSeriesStroke& series : FScene.Series)
        series.Draw(FBitmap);

    // Texts never get a background box; they are always black.
    FBitmap.SetFontColor(clBlack);
    FBitmap.SetFont(FScene.Font);
    if (!FScene.TopLeftText.isEmpty())
        FBitmap.TextOut(1, 1, FScene.TopLeftText);
    if (!FScene.TopRightText.isEmpty())
        FBitmap.TextOut(FBitmap.Width() - FBitmap.TextWidth(FScene.TopRightText) - 1, 1, FScene.TopRightText);
    FRasterised = true;
}

QImage TVumo::Picture()
{
    if (!FRasterised)
        rasterise();
    return FBitmap.Image();
}
