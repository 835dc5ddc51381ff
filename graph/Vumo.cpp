#include "graph/Vumo.h"

#include "graph/RoundHalfEven.h"

TVumo::TVumo(std::int32_t width, std::int32_t height)
    : FBitmap(width, height)
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
    std::swap(FScene, FPreviousScene);
    FScene.Width = FBitmap.Width();
    FScene.Height = FBitmap.Height();
    FScene.Outline = FPreviousScene.Grid;
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

    const QRect whole(0, 0, FBitmap.Width(), FBitmap.Height());
    FLastChange = FRedrawn ? FPainter.Changed(FBitmap, FPreviousScene, FScene) : whole;
    FRedrawn = true;
    FBitmapCurrent = false;
    if (FDevice)
        FDevice->Current = false;
}

void TVumo::PaintOnto(QImage target, const QRect& area)
{
    QImage own = FBitmap.SwapPixels(std::move(target));
    FPainter.Paint(FBitmap, FScene, area);
    FBitmap.SwapPixels(std::move(own));
}

QRect TVumo::PaintedArea(const QRect& area)
{
    return FPainter.PaintedArea(FBitmap, FScene, area);
}

QImage TVumo::Picture()
{
    if (!FBitmapCurrent) {
        const QRect whole(0, 0, FBitmap.Width(), FBitmap.Height());
        FPainter.Paint(FBitmap, FScene, FBitmapHasScene ? FPainter.Changed(FBitmap, FBitmapScene, FScene) : whole);
        FBitmapScene = FScene;
        FBitmapHasScene = true;
        FBitmapCurrent = true;
    }
    return FBitmap.Image();
}

QImage TVumo::PictureAt(double ratio)
{
    if (ratio == 1.0 || !(ratio > 0))
        return Picture();
    if (!FDevice || FDevice->Painter.Ratio() != ratio)
        FDevice.emplace(ratio, RoundToPixel(FBitmap.Width() * ratio), RoundToPixel(FBitmap.Height() * ratio));
    TDeviceView& view = *FDevice;
    if (!view.Current && FRedrawn) {
        const QRect whole(0, 0, view.Canvas.Width(), view.Canvas.Height());
        view.Painter.Paint(view.Canvas, FScene, view.HasScene ? view.Painter.Changed(view.Canvas, view.Shows, FScene) : whole);
        view.Shows = FScene;
        view.HasScene = true;
    }
    view.Current = true;
    return view.Canvas.Image();
}
