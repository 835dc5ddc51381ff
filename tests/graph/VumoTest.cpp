#include "PictureQueries.h"
#include "WindowGraph.h"

#include "graph/RasterCanvas.h"
#include "graph/RoundHalfEven.h"
#include "graph/Vumo.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace GraphTest;

std::vector<int> gridColumnsAndRightEdge()
{
    std::vector<int> columns;
    for (int x = 0; x < Width; x += 15)
        columns.push_back(x);
    columns.push_back(Width - 1);
    return columns;
}

TEST(VumoTest, NewRendererOffersABlankPictureOfItsSize)
{
    TVumo graph(30, 20);
    const QImage picture = graph.Picture();
    EXPECT_EQ(picture.size(), QSize(30, 20));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(countOf(picture, White), 30 * 20);
}

TEST(VumoTest, WorkedExamplePlotsTheMaximumAtRow7AndZeroAtRow110)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {100, 0, 0, 0, 0});
    graph->Redraw();
    const QImage picture = graph->Picture();

    EXPECT_EQ(picture.pixel(0, 7), Red);
    EXPECT_EQ(picture.pixel(1, 7), Red);
    EXPECT_EQ(picture.pixel(1, 6), White);
    EXPECT_EQ(picture.pixel(8, 110), Red);
    EXPECT_EQ(picture.pixel(8, 111), Red);
    EXPECT_EQ(picture.pixel(8, 109), White);
}

TEST(VumoTest, WorkedExampleGridStandsEvery15ColumnsAnd21RowsFromTheBottom)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {100, 0, 0, 0, 0});
    graph->Redraw();
    const QImage picture = graph->Picture();

    // Rows 0 and 112 and column 299 are the rectangle's outline.
    EXPECT_EQ(rowsOf(picture, 200, Silver), (std::vector<int>{0, 8, 29, 50, 71, 92, 112}));
    // Left of x = 15 the series crosses row 40.
    std::vector<int> columns = gridColumnsAndRightEdge();
    columns.erase(columns.begin());
    EXPECT_EQ(columnsOf(picture, 40, Silver, 15), columns);
    EXPECT_EQ(countOf(picture, White) + countOf(picture, Silver) + countOf(picture, Red), Width * Height);
}

struct HeadroomCase {
    std::string name;
    std::int32_t headroom;
    std::int64_t maximum;
    std::int64_t probe;
    int probeRow; // 113 - round(probe × 113 / M) - 3 for the expected M
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const HeadroomCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoHeadroomTest : public testing::TestWithParam<HeadroomCase> {};

TEST_P(VumoHeadroomTest, ScalesToTheMaximumPlusItsRoundedHeadroom)
{
    const HeadroomCase& c = GetParam();
    auto graph = windowGraph();
    graph->SetHeadroom(c.headroom);
    addSamples(*graph, 0, {c.maximum, c.probe, c.probe, c.probe});
    graph->Redraw();
    const QImage picture = graph->Picture();
    EXPECT_EQ(picture.pixel(7, c.probeRow), Red);
    EXPECT_NE(picture.pixel(7, c.probeRow - 1), Red);
}

INSTANTIATE_TEST_SUITE_P(Maxima, VumoHeadroomTest,
    testing::Values(
        HeadroomCase{"TieOfFiveGivesFive", 10, 5, 2, 65},
        HeadroomCase{"TieOfFifteenGivesSeventeen", 10, 15, 10, 44},
        HeadroomCase{"TieOfTwentyFiveGivesTwentySeven", 10, 25, 10, 68},
        HeadroomCase{"TieOfThirtyFiveGivesThirtyNine", 10, 35, 10, 81},
        HeadroomCase{"HundredGivesHundredTen", 10, 100, 50, 59},
        HeadroomCase{"ZeroHeadroomKeepsTheMaximum", 0, 35, 10, 78},
        HeadroomCase{"NegativeHeadroomKeepsTheMaximum", -10, 35, 10, 78}),
    [](const auto& info) { return info.param.name; });

struct VisibilityCase {
    std::string name;
    bool averageVisible;
    int probeRow;
    bool blueDrawn;
};

void PrintTo(const VisibilityCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoVisibilityTest : public testing::TestWithParam<VisibilityCase> {};

TEST_P(VumoVisibilityTest, OnlyVisibleSeriesCountInTheScale)
{
    const VisibilityCase& c = GetParam();
    auto graph = windowGraph();
    addSamples(*graph, 0, {50, 10, 10, 10});
    addSamples(*graph, 1, {500, 500});
    graph->Graphs()[1]->SetVisible(c.averageVisible);
    graph->Redraw();
    const QImage picture = graph->Picture();
    EXPECT_EQ(picture.pixel(7, c.probeRow), Red);
    EXPECT_NE(picture.pixel(7, c.probeRow - 1), Red);
    EXPECT_EQ(countOf(picture, Blue) > 0, c.blueDrawn);
}

INSTANTIATE_TEST_SUITE_P(Average, VumoVisibilityTest,
    testing::Values(
        VisibilityCase{"HiddenLeavesTheScaleAt55", false, 89, false},
        VisibilityCase{"VisibleRaisesTheScaleTo550", true, 108, true}),
    [](const auto& info) { return info.param.name; });

TEST(VumoTest, LaterSeriesArePaintedOverEarlierOnes)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {40, 40});
    addSamples(*graph, 1, {40, 40});
    graph->Redraw();
    EXPECT_EQ(countOf(graph->Picture(), Red), 0);
    EXPECT_GT(countOf(graph->Picture(), Blue), 0);
}

TEST(VumoTest, FullSeriesSlidesAndRescalesToTheRescannedMaximum)
{
    auto graph = windowGraph();
    graph->AddValue(0, 1000);
    for (int k = 0; k < 100; ++k)
        graph->AddValue(0, k == 10 ? 100 : 50);
    graph->Redraw();
    const QImage picture = graph->Picture();

    // The dropped 1000 no longer counts: the 100 (x = 30) tops the scale.
    EXPECT_EQ(picture.pixel(30, 7), Red);
    EXPECT_EQ(picture.pixel(31, 7), Red);
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(columnsOf(picture, y, Red), std::vector<int>{}) << "row " << y;
    // The oldest kept sample starts at x = 0, the newest (excluded end
    // point) at x = 297.
    EXPECT_EQ(picture.pixel(1, 59), Red);
    EXPECT_EQ(picture.pixel(296, 59), Red);
    EXPECT_NE(picture.pixel(297, 59), Red);
}

struct GridCase {
    std::string name;
    std::int32_t gridX;
    double xStep;
    std::int32_t gridY;
    std::vector<std::int64_t> samples;
    std::vector<int> silverColumnsOnRow56;
    std::vector<int> silverRowsOnColumn200;
};

void PrintTo(const GridCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoGridTest : public testing::TestWithParam<GridCase> {};

TEST_P(VumoGridTest, DrawsTheGridLinesThatAStepReaches)
{
    const GridCase& c = GetParam();
    auto graph = windowGraph();
    graph->SetGridX(c.gridX);
    graph->SetXStep(c.xStep);
    graph->SetGridY(c.gridY);
    addSamples(*graph, 0, c.samples);
    graph->Redraw();
    const QImage picture = graph->Picture();
    EXPECT_EQ(columnsOf(picture, 56, Silver), c.silverColumnsOnRow56);
    EXPECT_EQ(rowsOf(picture, 200, Silver), c.silverRowsOnColumn200);
}

// Outline: column 0 and 299, rows 0 and 112.
INSTANTIATE_TEST_SUITE_P(Steps, VumoGridTest,
    testing::Values(
        GridCase{"EmptyGraphPlotsOnePixelPerUnit", 5, 3.0, 20, {},
            gridColumnsAndRightEdge(), {0, 13, 33, 53, 73, 93, 112}},
        GridCase{"VerticalStepRoundingToZeroStopsAfterTheFirstLine", 1, 0.4, 20, {},
            {0, 299}, {0, 13, 33, 53, 73, 93, 112}},
        GridCase{"VerticalStepOfHalfAPixelRoundsToZero", 1, 0.5, 20, {},
            {0, 299}, {0, 13, 33, 53, 73, 93, 112}},
        GridCase{"NegativeVerticalStepStopsAfterTheFirstLine", -5, 3.0, 20, {},
            {0, 299}, {0, 13, 33, 53, 73, 93, 112}},
        // Scale 113/1100: 2 units are 0.2 pixels.
        GridCase{"HorizontalStepRoundingToZeroDrawsOnlyTheOneBelowTheBitmap", 5, 3.0, 2, {1000, 1000},
            gridColumnsAndRightEdge(), {0, 112}},
        GridCase{"ZeroGridYDrawsOnlyTheLineBelowTheBitmap", 5, 3.0, 0, {},
            gridColumnsAndRightEdge(), {0, 112}}),
    [](const auto& info) { return info.param.name; });

struct ChangeCase {
    std::string name;
    std::function<void(TVumo&)> change;
};

void PrintTo(const ChangeCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoRepaintTest : public testing::TestWithParam<ChangeCase> {};

// Whatever changed between two redraws, the picture is the one a renderer
// that never drew the earlier state would paint.
TEST_P(VumoRepaintTest, RedrawAfterAChangeShowsOnlyTheNewState)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {40, 60, 20, 50});
    graph->Redraw();
    GetParam().change(*graph);
    graph->Redraw();

    auto fresh = windowGraph();
    addSamples(*fresh, 0, {40, 60, 20, 50});
    GetParam().change(*fresh);
    fresh->Redraw();
    EXPECT_EQ(graph->Picture(), fresh->Picture());
}

INSTANTIATE_TEST_SUITE_P(Changes, VumoRepaintTest,
    testing::Values(
        ChangeCase{"Nothing", [](TVumo&) {}},
        ChangeCase{"BackColour", [](TVumo& g) { g.SetBackColor(TColor::FromRgb(255, 255, 0)); }},
        ChangeCase{"GridColour", [](TVumo& g) { g.SetGridColor(TColor::FromRgb(128, 128, 128)); }},
        ChangeCase{"GridX", [](TVumo& g) { g.SetGridX(7); }},
        ChangeCase{"XStep", [](TVumo& g) { g.SetXStep(2.0); }},
        ChangeCase{"GridY", [](TVumo& g) { g.SetGridY(10); }},
        ChangeCase{"ScaleFromANewMaximum", [](TVumo& g) { g.AddValue(0, 200); }},
        ChangeCase{"ScaleFromHeadroom", [](TVumo& g) { g.SetHeadroom(50); }},
        ChangeCase{"ScaleFromClearing", [](TVumo& g) { g.Graphs()[0]->Clear(); }},
        ChangeCase{"NewSample", [](TVumo& g) { g.AddValue(0, 30); }},
        ChangeCase{"SeriesHidden", [](TVumo& g) { g.Graphs()[0]->SetVisible(false); }},
        ChangeCase{"SeriesColourAndWidth",
            [](TVumo& g) {
                g.Graphs()[0]->SetColor(TColor::FromRgb(0, 128, 0));
                g.Graphs()[0]->SetPenWidth(1);
            }},
        ChangeCase{"CornerTexts",
            [](TVumo& g) {
                g.SetTopLeftText(QStringLiteral("12"));
                g.SetTopRightText(QStringLiteral("345"));
                g.SetShowTopLeft(true);
                g.SetShowTopRight(true);
            }}),
    [](const auto& info) { return info.param.name; });

// The pixels are made when the picture is first asked for, but show the
// state of the Redraw: what changed after it waits for the next one.
TEST_P(VumoRepaintTest, ChangeAfterRedrawWaitsForTheNextRedraw)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {40, 60, 20, 50});
    graph->Redraw();
    GetParam().change(*graph);

    auto unchanged = windowGraph();
    addSamples(*unchanged, 0, {40, 60, 20, 50});
    unchanged->Redraw();
    EXPECT_EQ(graph->Picture(), unchanged->Picture());
}

struct PartCase {
    std::string name;
    std::function<void(TVumo&)> change;
    bool changes;
};

void PrintTo(const PartCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoPartTest : public testing::TestWithParam<PartCase> {};

// A full graph with both corner texts, as on every reply once it has run a
// while: a view that showed it and is painted again only where the next
// Redraw says it changed shows exactly the new picture.
TEST_P(VumoPartTest, PaintingTheLastChangeOverThePictureBeforeGivesTheNewOne)
{
    auto graph = windowGraph();
    for (int i = 0; i < 100; ++i) {
        graph->AddValue(0, 20 + (i * 7) % 13);
        graph->AddValue(1, 25);
    }
    graph->SetTopLeftText(QStringLiteral("27"));
    graph->SetTopRightText(QStringLiteral("31"));
    graph->SetShowTopLeft(true);
    graph->SetShowTopRight(true);
    graph->Redraw();
    QImage view = graph->Picture().copy();

    GetParam().change(*graph);
    graph->Redraw();
    EXPECT_EQ(graph->LastChange().isEmpty(), !GetParam().changes);
    graph->PaintOnto(QImage(view.bits(), Width, Height, view.bytesPerLine(), QImage::Format_RGB32),
        graph->LastChange());
    EXPECT_EQ(view, graph->Picture());
}

INSTANTIATE_TEST_SUITE_P(Changes, VumoPartTest,
    testing::Values(
        PartCase{"Nothing", [](TVumo&) {}, false},
        PartCase{"SampleSlidesTheSeries", [](TVumo& g) { g.AddValue(0, 21); }, true},
        PartCase{"SampleUnderTheLastValue", [](TVumo& g) { g.AddValue(0, 32); }, true},
        PartCase{"AverageTextOnly", [](TVumo& g) { g.SetTopLeftText(QStringLiteral("28")); }, true},
        PartCase{"LastValueWidens", [](TVumo& g) { g.SetTopRightText(QStringLiteral("1234")); }, true},
        PartCase{"TextSwitchedOff", [](TVumo& g) { g.SetShowTopLeft(false); }, true},
        PartCase{"SeriesHidden", [](TVumo& g) { g.Graphs()[1]->SetVisible(false); }, true},
        PartCase{"BackColour", [](TVumo& g) { g.SetBackColor(TColor::FromRgb(255, 255, 0)); }, true},
        PartCase{"Clearing", [](TVumo& g) { g.Graphs()[0]->Clear(); }, true}),
    [](const auto& info) { return info.param.name; });

struct RatioCase {
    std::string name;
    double ratio;
    // Whole device pixels per pixel: the background is the picture's, each
    // pixel a square of them.
    bool whole;
};

void PrintTo(const RatioCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoRatioTest : public testing::TestWithParam<RatioCase> {};

// The rows and columns of a colour met along a line of the device picture.
std::vector<std::vector<int>> runsOf(const QImage& image, QPoint from, QPoint step, QRgb color)
{
    std::vector<std::vector<int>> runs;
    bool inside = false;
    int i = 0;
    for (QPoint p = from; image.rect().contains(p); p += step, ++i) {
        const bool hit = image.pixel(p) == color;
        if (hit && !inside)
            runs.emplace_back();
        if (hit)
            runs.back().push_back(i);
        inside = hit;
    }
    return runs;
}

// At a screen's device pixel ratio the graph is drawn for its pixels: the
// grid lines all as heavy as one pixel scaled, the series' lines as heavy as
// their pens scaled and stepping by single device pixels, the texts at the
// scaled size.
TEST_P(VumoRatioTest, DrawsForTheScreensPixels)
{
    const double ratio = GetParam().ratio;
    const auto device = [ratio](double pixels) { return RoundToPixel(pixels * ratio); };
    auto graph = windowGraph();
    graph->Redraw();
    const QImage empty = graph->PictureAt(ratio);
    ASSERT_EQ(empty.size(), QSize(device(Width), device(Height)));
    if (GetParam().whole) {
        EXPECT_EQ(empty, graph->Picture().scaled(empty.size()));
    }

    // A rise of 10.3 pixels per sample, 3 pixels apart, under a flat average.
    addSamples(*graph, 0, {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30});
    addSamples(*graph, 1, std::vector<std::int64_t>(11, 10));
    graph->Redraw();
    const QImage picture = graph->PictureAt(ratio);
    const int line = std::max(device(1), 1);
    for (const auto& run : runsOf(picture, QPoint(device(35), device(100)), QPoint(1, 0), Silver))
        EXPECT_EQ(run.size(), std::size_t(line)) << "grid column at " << run.front();
    const auto average = runsOf(picture, QPoint(device(20), 0), QPoint(0, 1), Blue);
    ASSERT_EQ(average.size(), 1u);
    EXPECT_EQ(average[0].size(), std::size_t(device(2)));
    // Row by row up the rise (where the average does not cover it), the
    // line moves by one device pixel at most.
    int rows = 0;
    for (int y = device(20), before = -1; y < device(90); ++y) {
        const auto red = runsOf(picture, QPoint(0, y), QPoint(1, 0), Red);
        const int leftmost = red.empty() ? -1 : red.front().front();
        if (leftmost >= 0 && before >= 0) {
            EXPECT_LE(std::abs(leftmost - before), 1) << "device row " << y;
            ++rows;
        }
        before = leftmost;
    }
    EXPECT_GT(rows, device(60));

    const QImage pictureAtOne = graph->Picture();
    graph->SetTopRightText(QStringLiteral("88"));
    graph->SetShowTopRight(true);
    graph->Redraw();
    const QImage text = graph->PictureAt(ratio);
    const QRect ink = difference(text, picture);
    const QRect inkAtOne = difference(graph->Picture(), pictureAtOne);
    EXPECT_NEAR(ink.height(), inkAtOne.height() * ratio, ratio + 1);
    EXPECT_NEAR(Width * ratio - ink.right(), (Width - inkAtOne.right()) * ratio, ratio + 1);
    // Drawn at the device's resolution, not a picture of blocks.
    if (GetParam().whole && ratio > 1) {
        const int n = device(1);
        bool blocks = true;
        for (int y = ink.top() / n * n; y + n <= ink.bottom() + 1; y += n)
            for (int x = ink.left() / n * n; x + n <= ink.right() + 1; x += n)
                for (int k = 0; k < n * n; ++k)
                    blocks = blocks && text.pixel(x + k % n, y + k / n) == text.pixel(x, y);
        EXPECT_FALSE(blocks);
    }
}

INSTANTIATE_TEST_SUITE_P(Ratios, VumoRatioTest,
    testing::Values(RatioCase{"One", 1.0, true}, RatioCase{"OneAndAQuarter", 1.25, false},
        RatioCase{"OneAndAHalf", 1.5, false}, RatioCase{"Two", 2.0, true}, RatioCase{"Three", 3.0, true}),
    [](const auto& info) { return info.param.name; });

struct SizeCase {
    int width;
    int height;
};

void PrintTo(const SizeCase& c, std::ostream* out)
{
    *out << c.width << "x" << c.height;
}

class VumoBackgroundTest : public testing::TestWithParam<SizeCase> {};

// However few rows the bitmap has, its background is the rectangle with the
// grid drawn over it: outline, fill, vertical lines, then horizontal ones.
TEST_P(VumoBackgroundTest, IsTheRectangleWithTheGridOverIt)
{
    const auto [width, height] = GetParam();
    const TColor yellow = TColor::FromRgb(255, 255, 0);
    const TColor silver = TColor::FromRgb(192, 192, 192);
    TVumo graph(width, height);
    graph.SetGridX(5);
    graph.SetXStep(3.0);
    graph.SetGridY(2);
    graph.SetGridColor(silver);
    graph.SetBackColor(yellow);
    graph.Redraw();

    TRasterCanvas expected(width, height);
    expected.SetPenColor(clBlack);
    expected.SetBrushColor(yellow);
    expected.Rectangle(0, 0, width, height);
    expected.SetPenColor(silver);
    for (int x = 0; x <= width; x += 15)
        expected.Line(QPoint(x, 0), QPoint(x, height));
    for (int y = height; y >= 0; y -= 2)
        expected.Line(QPoint(0, y), QPoint(width, y));
    EXPECT_EQ(graph.Picture(), expected.Image());
}

INSTANTIATE_TEST_SUITE_P(Sizes, VumoBackgroundTest,
    testing::Values(SizeCase{31, 1}, SizeCase{31, 2}, SizeCase{31, 3}, SizeCase{31, 5}, SizeCase{1, 6},
        SizeCase{300, 113}),
    [](const auto& info) { return std::to_string(info.param.width) + "x" + std::to_string(info.param.height); });

TEST(VumoTest, FirstAndSecondRedrawDifferOnlyInTheOutlineColour)
{
    TVumo graph(Width, Height);
    graph.SetGridColor(TColor::FromRgb(192, 192, 192));
    graph.AddGraph(100, TColor::FromRgb(255, 0, 0));
    graph.Graphs()[0]->SetPenWidth(2);
    addSamples(graph, 0, {3, 9, 0, 5, 9, 9, 1});
    graph.SetTopLeftText(QStringLiteral("4"));
    graph.SetShowTopLeft(true);
    graph.Redraw();
    const QImage first = graph.Picture();
    graph.Redraw();
    const QImage second = graph.Picture();

    int differing = 0;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            if (first.pixel(x, y) == second.pixel(x, y))
                continue;
            ++differing;
            EXPECT_TRUE(x == 0 || y == 0 || x == Width - 1 || y == Height - 1) << x << "," << y;
            EXPECT_EQ(first.pixel(x, y), Black) << x << "," << y;
            EXPECT_EQ(second.pixel(x, y), Silver) << x << "," << y;
        }
    }
    EXPECT_GT(differing, 0);
    EXPECT_EQ(first.pixel(Width - 1, Height / 2), Black);
}

TEST(VumoTest, PictureHandedOutEarlierIsNotChangedByLaterRedraws)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {10, 20, 30});
    graph->Redraw();
    const QImage handedOut = graph->Picture();
    const QImage snapshot = handedOut.copy();

    addSamples(*graph, 0, {90, 5});
    graph->SetBackColor(TColor::FromRgb(255, 0, 0));
    graph->SetTopRightText(QStringLiteral("5"));
    graph->SetShowTopRight(true);
    graph->Redraw();

    EXPECT_EQ(handedOut, snapshot);
    EXPECT_NE(graph->Picture(), snapshot);
}

TEST(VumoTest, SettersChangeNothingUntilTheNextRedraw)
{
    auto graph = windowGraph();
    const QImage before = graph->Picture();
    graph->SetBackColor(TColor::FromRgb(255, 0, 0));
    addSamples(*graph, 0, {10, 20});
    EXPECT_EQ(graph->Picture(), before);
}

TEST(VumoTest, BackColourTakesRedFromTheLowByte)
{
    auto graph = windowGraph();
    graph->SetBackColor(TColor{0x00A5FF});
    graph->Redraw();
    EXPECT_EQ(graph->Picture().pixel(100, 100), qRgb(255, 165, 0));
}

class VumoSeriesIndexTest : public testing::TestWithParam<std::int32_t> {};

TEST_P(VumoSeriesIndexTest, AddValueOutsideTheSeriesIsIgnored)
{
    auto graph = windowGraph();
    addSamples(*graph, 0, {10, 20});
    graph->Redraw();
    const QImage before = graph->Picture();
    graph->AddValue(GetParam(), 60);
    graph->Redraw();
    EXPECT_EQ(graph->Picture(), before);
}

INSTANTIATE_TEST_SUITE_P(Indexes, VumoSeriesIndexTest, testing::Values(-1, 2, 1000));

} // namespace
