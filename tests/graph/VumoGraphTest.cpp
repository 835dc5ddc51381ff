#include "PictureQueries.h"

#include "graph/RasterCanvas.h"
#include "graph/VumoGraph.h"

#include <QImage>
#include <QPoint>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::int64_t>;
using Points = std::vector<QPoint>;

Values kept(const TVumoGraph& graph)
{
    Values values;
    for (const TLinkedNode* node = graph.Values().First(); node != nullptr; node = node->Next)
        values.push_back(node->Value);
    return values;
}

struct MaximumCase {
    std::string name;
    std::int32_t capacity;
    Values added;
    Values expectedKept;
    std::int64_t expectedMax;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const MaximumCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoGraphMaximumTest : public testing::TestWithParam<MaximumCase> {};

TEST_P(VumoGraphMaximumTest, KeepsTheNewestSamplesAndTheirMaximum)
{
    const MaximumCase& c = GetParam();
    TVumoGraph graph(c.capacity);
    for (std::int64_t value : c.added)
        graph.AddValue(value);
    EXPECT_EQ(kept(graph), c.expectedKept);
    EXPECT_EQ(graph.MaxValue(), c.expectedMax);
}

INSTANTIATE_TEST_SUITE_P(Samples, VumoGraphMaximumTest,
    testing::Values(
        MaximumCase{"Empty", 3, {}, {}, 0},
        MaximumCase{"LaterSmallerSampleKeepsMaximum", 3, {5, 3}, {5, 3}, 5},
        MaximumCase{"OnlyNegativeSamplesLeaveMaximumAtZero", 3, {-4, -2}, {-4, -2}, 0},
        MaximumCase{"DroppedMaximumIsRescanned", 3, {9, 1, 4, 2}, {1, 4, 2}, 4},
        MaximumCase{"RescanAfterDropFindsNothingAboveZero", 2, {8, -1, -3}, {-1, -3}, 0},
        MaximumCase{"FullWindowWithoutDropKeepsEverything", 3, {1, 7, 2}, {1, 7, 2}, 7},
        MaximumCase{"Full64BitRange", 2,
            {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()},
            {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()},
            std::numeric_limits<std::int64_t>::max()}),
    [](const auto& info) { return info.param.name; });

TEST(VumoGraphTest, CapacityHundredSlidesAndRescansAfter101Samples)
{
    TVumoGraph graph(100);
    graph.AddValue(1000);
    for (std::int64_t value = 2; value <= 101; ++value)
        graph.AddValue(value);
    const Values values = kept(graph);
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values.front(), 2);
    EXPECT_EQ(values.back(), 101);
    EXPECT_EQ(graph.MaxValue(), 101);
}

TEST(VumoGraphTest, ClearForgetsSamplesAndMaximum)
{
    TVumoGraph graph(100);
    graph.AddValue(50);
    graph.AddValue(20);
    graph.Clear();
    EXPECT_EQ(graph.MaxValue(), 0);
    graph.AddValue(7);
    EXPECT_EQ(kept(graph), (Values{7}));
    EXPECT_EQ(graph.MaxValue(), 7);
}

TEST(VumoGraphTest, HiddenSeriesKeepsAcceptingSamples)
{
    TVumoGraph graph(100);
    graph.SetVisible(false);
    graph.AddValue(12);
    graph.AddValue(30);
    EXPECT_FALSE(graph.Visible());
    EXPECT_EQ(kept(graph), (Values{12, 30}));
    EXPECT_EQ(graph.MaxValue(), 30);
}

struct PointsCase {
    std::string name;
    Values samples;
    double scale;
    double step;
    Points expected;
};

void PrintTo(const PointsCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoGraphPointsTest : public testing::TestWithParam<PointsCase> {};

TEST_P(VumoGraphPointsTest, PlacesSamplesOnBitmapOf113Rows)
{
    const PointsCase& c = GetParam();
    TVumoGraph graph(100);
    for (std::int64_t value : c.samples)
        graph.AddValue(value);
    graph.ComputePoints(113, c.scale, c.step);
    EXPECT_EQ(graph.Points(), c.expected);
}

constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Samples, VumoGraphPointsTest,
    testing::Values(
        PointsCase{"NoSamplesNoPoints", {}, 1.0, 3.0, {}},
        PointsCase{"OneSampleOnePoint", {4}, 1.0, 3.0, {{0, 106}}},
        PointsCase{"ZeroLiesThreeAboveTheBottom", {0, 10, 20}, 1.0, 3.0,
            {{0, 110}, {3, 100}, {6, 90}}},
        PointsCase{"NegativeSamplesFallBelowTheZeroLine", {-10}, 1.0, 3.0, {{0, 120}}},
        // 0.5, 1.5 and 2.5 pixels: ties go to the even neighbour.
        PointsCase{"VerticalTiesGoToEven", {1, 3, 5}, 0.5, 1.0, {{0, 110}, {1, 108}, {2, 108}}},
        PointsCase{"NegativeTiesGoToEven", {-1, -3}, 0.5, 1.0, {{0, 110}, {1, 112}}},
        PointsCase{"HorizontalTiesGoToEven", {0, 0, 0, 0}, 1.0, 1.5,
            {{0, 110}, {2, 110}, {3, 110}, {4, 110}}},
        PointsCase{"WorkedExampleScale", {100, 0, 50}, 113.0 / 110.0, 3.0,
            {{0, 7}, {3, 110}, {6, 59}}},
        PointsCase{"FarOffSamplesArePinnedTo32Bits",
            {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}, 1.0, 3.0,
            {{0, int32Min}, {3, int32Max}}}),
    [](const auto& info) { return info.param.name; });

TEST(VumoGraphTest, RecomputingAfterASlideReplacesThePoints)
{
    TVumoGraph graph(2);
    graph.AddValue(0);
    graph.AddValue(10);
    graph.ComputePoints(113, 1.0, 3.0);
    graph.AddValue(20);
    graph.ComputePoints(113, 1.0, 3.0);
    EXPECT_EQ(graph.Points(), (Points{{0, 100}, {3, 90}}));
}

class VumoGraphDrawTest : public testing::Test {
protected:
    int pixelsOf(QRgb color) const { return GraphTest::countOf(canvas.Image(), color); }

    TRasterCanvas canvas{20, 20};
    TVumoGraph graph{100};
};

TEST_F(VumoGraphDrawTest, DrawsAnOpenPolylineInItsColourOnePixelWideByDefault)
{
    graph.SetColor(TColor{0x0000FF});
    graph.AddValue(0);
    graph.AddValue(0);
    graph.AddValue(0);
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    // From (0, 17) to (8, 17), the last point excluded.
    EXPECT_EQ(pixelsOf(qRgb(255, 0, 0)), 8);
    EXPECT_EQ(canvas.Image().pixel(7, 17), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.Image().pixel(8, 17), qRgb(255, 255, 255));
}

TEST_F(VumoGraphDrawTest, NewSeriesIsGreen)
{
    graph.AddValue(0);
    graph.AddValue(0);
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    EXPECT_EQ(pixelsOf(qRgb(0, 128, 0)), 4);
}

TEST_F(VumoGraphDrawTest, PenWidthTwoDoublesTheLine)
{
    graph.SetPenWidth(2);
    graph.AddValue(0);
    graph.AddValue(0);
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    EXPECT_EQ(pixelsOf(qRgb(0, 128, 0)), 8);
}

TEST_F(VumoGraphDrawTest, HiddenOrSinglePointSeriesDrawsNothing)
{
    graph.AddValue(5);
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    EXPECT_EQ(pixelsOf(qRgb(0, 128, 0)), 0);

    graph.AddValue(5);
    graph.SetVisible(false);
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    EXPECT_EQ(pixelsOf(qRgb(0, 128, 0)), 0);
}

// A sample far beyond the scale makes a line billions of pixels long; only
// its part inside the bitmap may cost anything.
TEST_F(VumoGraphDrawTest, SamplesFarOffTheBitmapStillDrawTheirVisiblePart)
{
    graph.AddValue(std::numeric_limits<std::int64_t>::max());
    graph.AddValue(0);
    graph.AddValue(std::numeric_limits<std::int64_t>::min());
    graph.ComputePoints(20, 1.0, 4.0);
    graph.Draw(canvas);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(canvas.Image().pixel(4, y), qRgb(0, 128, 0)) << "row " << y;
    EXPECT_EQ(pixelsOf(qRgb(0, 128, 0)), 20);
}

} // namespace
