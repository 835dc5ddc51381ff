#include "graph/Vumo.h"

#include "graph/RoundHalfEven.h"

TVumo::TVumo(std::int32_t width, std::int32_t height)
    : FBitmap(width, height)
    , FBackground(width, height)
    , FPicture(FBitmap.Image())
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

// The outline of the background rectangle takes whatever pen the canvas
// holds: black on the very first Redraw, the grid colour ever after.
//
// Most redraws meet the background exactly as the previous one left it, so
// it is repainted only when something it depends on has changed; the
// pixels are the same as if it were repainted every time.
//
// Each grid loop ends as soon as a rounded step fails to move the next line
// forward (0 pixels, or backwards for a negative grid setting): such a step
// would leave every further line where it is and the loop would never pass
// the bitmap's edge.
void TVumo::paintBackground()
{
    const TBackgroundInputs inputs{
        FBackground.PenColor(), FBackColor, FGridColor, FGridX, FXStep, FGridY, FYScale};
    if (FBackgroundPainted == inputs)
        return;
    FBackgroundPainted = inputs;

    const std::int32_t width = FBackground.Width();
    const std::int32_t height = FBackground.Height();
    FBackground.SetBrushColor(FBackColor);
    FBackground.Rectangle(0, 0, width, height);
    FBackground.SetPenColor(FGridColor);

    for (std::int32_t x = 0; x <= width;) {
        FBackground.Line(QPoint(x, 0), QPoint(x, height));
        const std::int32_t next = RoundToPixel(x + FGridX * FXStep);
        if (next <= x)
            break;
        x = next;
    }
    for (std::int32_t y = height; y >= 0;) {
        FBackground.Line(QPoint(0, y), QPoint(width, y));
        const std::int32_t next = RoundToPixel(y - FGridY * FYScale);
        if (next >= y)
            break;
        y = next;
    }
}

void TVumo::Redraw()
{
    // The last picture is replaced below; letting go of it first leaves the
    // bitmap unshared, so it is drawn in place.
    FPicture = QImage();
    std::int64_t largestVisible = 0;
    for (const auto& graph : FGraphs) {
        if (graph->MaxValue() > largestVisible && graph->Visible())
            largestVisible = graph->MaxValue();
    }
    FYScale = scaleFor(largestVisible);

    paintBackground();
    FBitmap.Draw(FBackground);

    for (const auto& graph : FGraphs) {
        graph->ComputePoints(FBitmap.Height(), FYScale, FXStep);
        graph->Draw(FBitmap);
    }

    // Texts never get a background box; they are always black.
    FBitmap.SetFontColor(clBlack);
    FBitmap.SetFont(FFont);
    if (!FTopLeftText.isEmpty() && FShowTopLeft)
        FBitmap.TextOut(1, 1, FTopLeftText);
    if (!FTopRightText.isEmpty() && FShowTopRight)
        FBitmap.TextOut(FBitmap.Width() - FBitmap.TextWidth(FTopRightText) - 1, 1, FTopRightText);

    FPicture = FBitmap.Image();
}
