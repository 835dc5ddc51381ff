#include "PictureQueries.h"
#include "WindowGraph.h"

#include "graph/RasterCanvas.h"
#include "graph/Vumo.h"

#include <QImage>
#include <QLatin1Char>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

namespace {

using namespace GraphTest;

class VumoTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        graph = windowGraph();
        addSamples(*graph, 0, {30, 30, 30});
        graph->Redraw();
        withoutText = graph->Picture();
    }

    QRect inkOfTopRight(const QString& text)
    {
        graph->SetTopRightText(text);
        graph->SetShowTopRight(true);
        graph->Redraw();
        return difference(graph->Picture(), withoutText);
    }

    std::unique_ptr<TVumo> graph;
    QImage withoutText;
};

TEST_F(VumoTextTest, TopRightTextEndsAtTheSamePlaceWhateverItsLength)
{
    const QRect one = inkOfTopRight(QStringLiteral("1"));
    ASSERT_FALSE(one.isEmpty());
    EXPECT_LE(one.right(), Width - 2);
    for (const char* text : {"21", "4321", "987654321"})
        EXPECT_EQ(inkOfTopRight(QString::fromLatin1(text)).right(), one.right()) << text;

    const QRect tooWide = inkOfTopRight(QString(60, QLatin1Char('8')) + QLatin1Char('1'));
    EXPECT_EQ(tooWide.right(), one.right());
    EXPECT_LE(tooWide.left(), 1);
}

TEST_F(VumoTextTest, TopRightTextStartsItsWidthPlusOnePixelLeftOfTheEdge)
{
    const QString text = QStringLiteral("1234");
    graph->SetTopLeftText(text);
    graph->SetShowTopLeft(true);
    graph->Redraw();
    const QRect leftInk = difference(graph->Picture(), withoutText);
    graph->SetShowTopLeft(false);

    TRasterCanvas measure(1, 1);
    measure.SetFont(graph->Font());
    const int textX = Width - measure.TextWidth(text) - 1;
    EXPECT_EQ(inkOfTopRight(text), leftInk.translated(textX - 1, 0));
    EXPECT_GE(leftInk.left(), 1);
    EXPECT_GE(leftInk.top(), 1);
}

TEST_F(VumoTextTest, FontChangedInPlaceTakesEffectAtTheNextRedraw)
{
    const QRect normal = inkOfTopRight(QStringLiteral("88"));
    graph->Font().setPointSize(20);
    EXPECT_EQ(difference(graph->Picture(), withoutText), normal);
    graph->Redraw();
    EXPECT_GT(difference(graph->Picture(), withoutText).height(), normal.height());
}

TEST_F(VumoTextTest, TextsAreBlack)
{
    graph->SetTopLeftText(QStringLiteral("888"));
    graph->SetShowTopLeft(true);
    graph->Redraw();
    EXPECT_GT(countOf(graph->Picture(), Black), 0);
}

// With no series to draw, the text is the first thing drawn over the copied
// background, which must stay as it was for the redraws to come.
TEST(VumoTextOnEmptyGraphTest, TextLeavesNoTraceOnceSwitchedOff)
{
    auto graph = windowGraph();
    const QImage empty = graph->Picture();
    graph->SetTopLeftText(QStringLiteral("1234"));
    graph->SetShowTopLeft(true);
    graph->SetTopRightText(QStringLiteral("5678"));
    graph->SetShowTopRight(true);
    for (int i = 0; i < 2; ++i) {
        graph->Redraw();
        EXPECT_NE(graph->Picture(), empty);
    }
    graph->SetShowTopLeft(false);
    graph->SetShowTopRight(false);
    graph->Redraw();

    auto fresh = windowGraph();
    fresh->Redraw();
    EXPECT_EQ(graph->Picture(), fresh->Picture());
}

struct CornerCase {
    std::string name;
    bool topLeft;
    QString text;
    bool show;
    bool drawn;
};

void PrintTo(const CornerCase& c, std::ostream* out)
{
    *out << c.name;
}

class VumoCornerTextTest : public testing::TestWithParam<CornerCase> {};

TEST_P(VumoCornerTextTest, DrawsOnlyTextsThatAreSetAndSwitchedOn)
{
    const CornerCase& c = GetParam();
    auto graph = windowGraph();
    addSamples(*graph, 0, {30, 30, 30});
    graph->Redraw();
    const QImage withoutText = graph->Picture();
    if (c.topLeft) {
        graph->SetTopLeftText(c.text);
        graph->SetShowTopLeft(c.show);
    } else {
        graph->SetTopRightText(c.text);
        graph->SetShowTopRight(c.show);
    }
    graph->Redraw();
    EXPECT_EQ(graph->Picture() != withoutText, c.drawn);
}

INSTANTIATE_TEST_SUITE_P(Corners, VumoCornerTextTest,
    testing::Values(
        CornerCase{"TopLeftSetAndOn", true, QStringLiteral("12"), true, true},
        CornerCase{"TopLeftEmptyButOn", true, QString(), true, false},
        CornerCase{"TopLeftSetButOff", true, QStringLiteral("12"), false, false},
        CornerCase{"TopRightSetAndOn", false, QStringLiteral("12"), true, true},
        CornerCase{"TopRightEmptyButOn", false, QString(), true, false},
        CornerCase{"TopRightSetButOff", false, QStringLiteral("12"), false, false}),
    [](const auto& info) { return info.param.name; });

} // namespace
