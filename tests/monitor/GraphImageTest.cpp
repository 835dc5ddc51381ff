#include "monitor/controls/GraphImage.h"

#include "graph/Vumo.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr QRgb Sentinel = 0xFF13579Bu;

struct TargetCase {
    const char* name;
    QImage::Format format;
    QPoint offset;
    qreal ratio = 1.0;
};

void PrintTo(const TargetCase& c, std::ostream* out)
{
    *out << c.name;
}

class GraphImageTargetTest : public testing::TestWithParam<TargetCase> {};

// Into a 32-bit image the graph is rasterised straight into the target's
// pixels; into any other it is drawn from its bitmap; into one of another
// device pixel ratio it is drawn at that resolution. Either way the target
// shows exactly the graph's picture at the control's place, and every pixel
// around it stays as it was.
TEST_P(GraphImageTargetTest, ShowsThePictureExactlyAndTouchesNothingAround)
{
    TVumo graph(300, 113);
    graph.AddGraph(100, clRed);
    graph.AddGraph(100, clBlue);
    graph.SetShowTopLeft(true);
    graph.SetShowTopRight(true);
    for (int i = 0; i < 120; ++i) {
        graph.AddValue(0, (i * 37) % 90);
        graph.AddValue(1, 40 + i % 7);
    }
    graph.SetBackColor(TColor::FromRgb(255, 255, 0));
    graph.SetTopLeftText(QStringLiteral("43"));
    graph.SetTopRightText(QStringLiteral("12"));
    graph.Redraw();

    GraphImage image;
    image.resize(300, 113);
    image.setGraph(&graph);
    image.show();
    QCoreApplication::processEvents();

    const qreal ratio = GetParam().ratio;
    QImage target(400 * ratio, 200 * ratio, GetParam().format);
    target.setDevicePixelRatio(ratio);
    target.fill(Sentinel);
    image.render(&target, GetParam().offset);

    const QImage picture = graph.PictureAt(ratio).convertToFormat(QImage::Format_RGB32);
    const QRect placed(GetParam().offset * ratio, picture.size());
    const QImage shown = target.convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb want = placed.contains(x, y) ? picture.pixel(x - placed.x(), y - placed.y()) : Sentinel;
            if (shown.pixel(x, y) != want && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << shown.pixel(x, y) << ", not " << want;
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, GraphImageTargetTest,
    testing::Values(
        TargetCase{"Rgb32AtTheOrigin", QImage::Format_RGB32, {0, 0}},
        TargetCase{"Rgb32Inside", QImage::Format_RGB32, {13, 7}},
        TargetCase{"Rgb32InTheFarCorner", QImage::Format_RGB32, {100, 87}},
        TargetCase{"PremultipliedInside", QImage::Format_ARGB32_Premultiplied, {13, 7}},
        TargetCase{"Argb32Inside", QImage::Format_ARGB32, {13, 7}},
        TargetCase{"Rgb888IsDrawnFromTheBitmap", QImage::Format_RGB888, {13, 7}},
        TargetCase{"PartlyOutsideIsDrawnFromTheBitmap", QImage::Format_RGB32, {150, 120}},
        TargetCase{"AtRatioTwoIsDrawnForItsPixels", QImage::Format_RGB32, {13, 7}, 2.0},
        TargetCase{"AtRatioThreeIsDrawnForItsPixels", QImage::Format_ARGB32_Premultiplied, {13, 7}, 3.0}),
    [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

} // namespace
