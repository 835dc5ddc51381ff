#include "graph/RasterCanvas.h"

#include <QFont>
#include <QImage>
#include <QPoint>

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr QRgb white = qRgb(255, 255, 255);
constexpr QRgb red = qRgb(255, 0, 0);
constexpr QRgb blue = qRgb(0, 0, 255);

// One character per pixel: '.' white, '#' red, 'o' blue, '?' anything else.
std::string art(const QImage& image)
{
    std::string text;
    for (int y = 0; y < image.height(); ++y) {
        text += '\n';
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            text += pixel == white ? '.' : pixel == red ? '#' : pixel == blue ? 'o' : '?';
        }
    }
    return text;
}

TEST(RasterCanvasTest, NewBitmapIsWhiteAt96Dpi)
{
    TRasterCanvas canvas(4, 2);
    EXPECT_EQ(art(canvas.Image()), "\n....\n....");
    EXPECT_EQ(canvas.Image().format(), QImage::Format_RGB32);
    EXPECT_EQ(canvas.Image().logicalDpiX(), 96);
    EXPECT_EQ(canvas.Image().logicalDpiY(), 96);
}

TEST(RasterCanvasTest, RectangleFillsWithBrushInsideAOnePixelPenOutline)
{
    TRasterCanvas canvas(8, 6);
    canvas.SetPenColor(TColor{0x0000FF});
    canvas.SetPenWidth(2);
    canvas.SetBrushColor(TColor{0xFF0000});
    canvas.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(art(canvas.Image()),
        "\n........"
        "\n.#####.."
        "\n.#ooo#.."
        "\n.#ooo#.."
        "\n.#####.."
        "\n........");
}

TEST(RasterCanvasTest, RectangleOfTheWholeBitmapCoversItExactly)
{
    TRasterCanvas canvas(5, 4);
    canvas.SetPenColor(TColor{0xFF0000});
    canvas.SetBrushColor(TColor{0x0000FF});
    canvas.Rectangle(0, 0, 5, 4);
    EXPECT_EQ(art(canvas.Image()),
        "\nooooo"
        "\no###o"
        "\no###o"
        "\nooooo");
}

TEST(RasterCanvasTest, RectangleReachingOutsideIsClipped)
{
    TRasterCanvas canvas(4, 3);
    canvas.SetPenColor(TColor{0x0000FF});
    canvas.SetBrushColor(TColor{0xFF0000});
    canvas.Rectangle(-2, 1, 10, 10);
    EXPECT_EQ(art(canvas.Image()),
        "\n...."
        "\n####"
        "\noooo");
}

struct LineCase {
    std::string name;
    QPoint from;
    QPoint to;
    int penWidth;
    std::string expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const LineCase& c, std::ostream* out)
{
    *out << c.name;
}

class RasterCanvasLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(RasterCanvasLineTest, PaintsOnAnEightBySixBitmap)
{
    const LineCase& c = GetParam();
    TRasterCanvas canvas(8, 6);
    canvas.SetPenColor(TColor{0x0000FF});
    canvas.SetPenWidth(c.penWidth);
    canvas.Line(c.from, c.to);
    EXPECT_EQ(art(canvas.Image()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, RasterCanvasLineTest,
    testing::Values(
        LineCase{"HorizontalStopsBeforeItsEnd", {1, 2}, {5, 2}, 1,
            "\n........\n........\n.####...\n........\n........\n........"},
        LineCase{"VerticalStopsBeforeItsEnd", {3, 0}, {3, 4}, 1,
            "\n...#....\n...#....\n...#....\n...#....\n........\n........"},
        LineCase{"LeftwardStopsBeforeItsEnd", {6, 1}, {2, 1}, 1,
            "\n........\n...####.\n........\n........\n........\n........"},
        LineCase{"ZeroLengthPaintsNothing", {3, 3}, {3, 3}, 1,
            "\n........\n........\n........\n........\n........\n........"},
        LineCase{"DiagonalIsXMajor", {0, 0}, {4, 4}, 1,
            "\n#.......\n.#......\n..#.....\n...#....\n........\n........"},
        // Exact halves (at x = 1 and x = 3) go toward the end point.
        LineCase{"ShallowHalvesGoTowardTheEnd", {0, 0}, {4, 2}, 1,
            "\n#.......\n.##.....\n...#....\n........\n........\n........"},
        LineCase{"ShallowReversedHalvesGoTowardTheEnd", {4, 2}, {0, 0}, 1,
            "\n.#......\n..##....\n....#...\n........\n........\n........"},
        LineCase{"SteepUpward", {1, 5}, {3, 0}, 1,
            "\n........\n...#....\n..#.....\n..#.....\n.#......\n.#......"},
        LineCase{"WidthZeroIsOnePixel", {1, 2}, {5, 2}, 0,
            "\n........\n........\n.####...\n........\n........\n........"},
        LineCase{"WidthTwoAddsTheRowBelowAnXMajorLine", {0, 0}, {4, 2}, 2,
            "\n#.......\n###.....\n.###....\n...#....\n........\n........"},
        LineCase{"WidthTwoAddsTheColumnRightOfAYMajorLine", {1, 5}, {3, 0}, 2,
            "\n........\n...##...\n..##....\n..##....\n.##.....\n.##....."},
        LineCase{"WidthThreeWidensToBothSides", {1, 2}, {5, 2}, 3,
            "\n........\n.####...\n.####...\n.####...\n........\n........"},
        LineCase{"WidthTwoBelowTheLastRowIsClipped", {0, 5}, {3, 5}, 2,
            "\n........\n........\n........\n........\n........\n###....."},
        LineCase{"FromFarOutsideIsClipped", {-1000000000, 3}, {4, 3}, 1,
            "\n........\n........\n........\n####....\n........\n........"},
        LineCase{"BetweenTwoOutsidePointsCrossesTheBitmap", {-2, -2}, {10, 10}, 1,
            "\n#.......\n.#......\n..#.....\n...#....\n....#...\n.....#.."},
        LineCase{"AcrossThe32BitRange",
            {2, std::numeric_limits<int>::min()}, {2, std::numeric_limits<int>::max()}, 1,
            "\n..#.....\n..#.....\n..#.....\n..#.....\n..#.....\n..#....."}),
    [](const auto& info) { return info.param.name; });

TEST(RasterCanvasTest, PolylineJoinsItsLinesAndLeavesOutTheLastPoint)
{
    TRasterCanvas canvas(8, 4);
    canvas.SetPenColor(TColor{0x0000FF});
    const std::vector<QPoint> points{{0, 3}, {3, 0}, {6, 3}};
    canvas.Polyline(points);
    EXPECT_EQ(art(canvas.Image()),
        "\n...#...."
        "\n..#.#..."
        "\n.#...#.."
        "\n#.......");
}

TEST(RasterCanvasTest, PolylineOfFewerThanTwoPointsDrawsNothing)
{
    TRasterCanvas canvas(4, 2);
    canvas.SetPenColor(TColor{0x0000FF});
    const std::vector<QPoint> one{{1, 1}};
    canvas.Polyline(one);
    canvas.Polyline({});
    EXPECT_EQ(art(canvas.Image()), "\n....\n....");
}

TEST(RasterCanvasTest, ImageTakenBeforeDrawingKeepsItsPixels)
{
    TRasterCanvas canvas(4, 1);
    const QImage before = canvas.Image();
    canvas.SetPenColor(TColor{0x0000FF});
    canvas.Line({0, 0}, {4, 0});
    EXPECT_EQ(art(before), "\n....");
    EXPECT_EQ(art(canvas.Image()), "\n####");
}

// Everything of the text that differs from the white background.
QRect inkOf(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != white)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

QImage textImage(const QFont& font, const QString& text, QPoint at)
{
    TRasterCanvas canvas(60, 30);
    canvas.SetFont(font);
    canvas.TextOut(at.x(), at.y(), text);
    return canvas.Image();
}

TEST(RasterCanvasTest, PointSizesComeOutAt96Dpi)
{
    QFont byPoints(QStringLiteral("Arial"));
    byPoints.setPointSize(10);
    QFont byPixels(QStringLiteral("Arial"));
    byPixels.setPixelSize(13);
    EXPECT_EQ(textImage(byPoints, QStringLiteral("Hg 42"), {2, 2}),
        textImage(byPixels, QStringLiteral("Hg 42"), {2, 2}));
}

TEST(RasterCanvasTest, TextHangsFromItsTopLeftCornerWithinItsWidth)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    const QString text = QStringLiteral("Hello");
    TRasterCanvas canvas(60, 30);
    canvas.SetFont(font);
    const QRect ink = inkOf(textImage(font, text, {5, 7}));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 5);
    EXPECT_LE(ink.right(), 5 + canvas.TextWidth(text) - 1);
    // The capital H stands on the baseline and reaches up to the cap height,
    // a little below the top of the text cell.
    EXPECT_GE(ink.top(), 7);
    EXPECT_LE(ink.top(), 7 + 3);
    EXPECT_EQ(inkOf(textImage(font, text, {5, 9})), ink.translated(0, 2));
}

TEST(RasterCanvasTest, TextWidthGrowsWithTheText)
{
    TRasterCanvas canvas(10, 10);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    canvas.SetFont(font);
    EXPECT_EQ(canvas.TextWidth(QString()), 0);
    EXPECT_GT(canvas.TextWidth(QStringLiteral("11")), canvas.TextWidth(QStringLiteral("1")));
}

} // namespace
