#include "Pictures.h"

#include "widgets/zavTransLabel.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QRgb White = qRgb(255, 255, 255);

// A clear label on a white parent, caption in black on top of the tint, so
// that every non-white pixel belongs to the caption.
class TransLabelCaption : public testing::Test {
protected:
    QWidget parent;
    TzavTransLabel* label = new TzavTransLabel(&parent);

    void SetUp() override
    {
        parent.resize(200, 100);
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        parent.setPalette(palette);
        label->setGeometry(0, 0, 160, 60);
        label->SetTransparency(100);
        label->SetMist(false);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(13);
        font.setBold(true);
        label->setFont(font);
    }

    QRect CaptionInk() { return Pictures::Ink(Pictures::Of(*label), White); }
};

enum class Edge { Start, Middle, End };

struct PlacementCase {
    const char* name;
    TAlignment alignment;
    TTextLayout layout;
    Qt::LayoutDirection direction;
    Edge horizontal;
    Edge vertical;

    friend void PrintTo(const PlacementCase& c, std::ostream* out) { *out << c.name; }
};

class TransLabelPlacement : public TransLabelCaption, public testing::WithParamInterface<PlacementCase> {};

void ExpectAt(Edge edge, int inkStart, int inkEnd, int size, const char* axis)
{
    switch (edge) {
    case Edge::Start:
        EXPECT_LT(inkStart, 4) << axis;
        EXPECT_LT(inkEnd, size / 2) << axis;
        break;
    case Edge::Middle:
        EXPECT_NEAR((inkStart + inkEnd) / 2.0, size / 2.0, 4) << axis;
        break;
    case Edge::End:
        EXPECT_GT(inkEnd, size - 5) << axis;
        EXPECT_GT(inkStart, size / 2) << axis;
        break;
    }
}

TEST_P(TransLabelPlacement, PutsTheCaptionWhereAlignmentAndLayoutSay)
{
    label->setLayoutDirection(GetParam().direction);
    label->SetAlignment(GetParam().alignment);
    label->SetLayout(GetParam().layout);
    label->SetCaption(QStringLiteral("Wg"));
    const QRect ink = CaptionInk();
    ASSERT_FALSE(ink.isEmpty());
    ExpectAt(GetParam().horizontal, ink.left(), ink.right(), 160, "horizontally");
    ExpectAt(GetParam().vertical, ink.top(), ink.bottom(), 60, "vertically");
}

INSTANTIATE_TEST_SUITE_P(
    Places, TransLabelPlacement,
    testing::Values(
        PlacementCase{"LeftTop", TAlignment::taLeftJustify, TTextLayout::tlTop, Qt::LeftToRight, Edge::Start, Edge::Start},
        PlacementCase{"RightTop", TAlignment::taRightJustify, TTextLayout::tlTop, Qt::LeftToRight, Edge::End, Edge::Start},
        PlacementCase{"CentreCentre", TAlignment::taCenter, TTextLayout::tlCenter, Qt::LeftToRight, Edge::Middle,
                      Edge::Middle},
        PlacementCase{"LeftBottom", TAlignment::taLeftJustify, TTextLayout::tlBottom, Qt::LeftToRight, Edge::Start,
                      Edge::End},
        PlacementCase{"RightBottom", TAlignment::taRightJustify, TTextLayout::tlBottom, Qt::LeftToRight, Edge::End,
                      Edge::End},
        PlacementCase{"LeftMirroredRightToLeft", TAlignment::taLeftJustify, TTextLayout::tlTop, Qt::RightToLeft,
                      Edge::End, Edge::Start},
        PlacementCase{"RightMirroredRightToLeft", TAlignment::taRightJustify, TTextLayout::tlTop, Qt::RightToLeft,
                      Edge::Start, Edge::Start}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransLabelCaption, WordWrapBreaksTheCaptionIntoLines)
{
    label->setGeometry(0, 0, 70, 80);
    label->SetCaption(QStringLiteral("alpha beta gamma delta"));
    const int lineHeight = QFontMetrics(label->font()).height();
    EXPECT_LE(CaptionInk().height(), lineHeight);
    label->SetWordWrap(true);
    EXPECT_GT(CaptionInk().height(), 2 * lineHeight);
}

TEST_F(TransLabelCaption, BottomLayoutMovesAllWrappedLinesDown)
{
    label->setGeometry(0, 0, 70, 80);
    label->SetCaption(QStringLiteral("alpha beta gamma"));
    label->SetWordWrap(true);
    label->SetLayout(TTextLayout::tlBottom);
    const QRect ink = CaptionInk();
    EXPECT_GT(ink.bottom(), 80 - 6);
    EXPECT_GT(ink.top(), 80 - 3 * QFontMetrics(label->font()).height());
    EXPECT_GT(ink.height(), QFontMetrics(label->font()).height());
}

TEST_F(TransLabelCaption, DrawsAnAmpersandLiterally)
{
    label->SetCaption(QStringLiteral("&"));
    EXPECT_FALSE(CaptionInk().isEmpty());
}

TEST_F(TransLabelCaption, ExpandsTabsToTabStops)
{
    label->SetCaption(QStringLiteral("i i"));
    const int spaced = CaptionInk().width();
    label->SetCaption(QStringLiteral("i\ti"));
    EXPECT_GT(CaptionInk().width(), spaced + 20);
}

TEST_F(TransLabelCaption, UsesTheLabelsFontAndFontColour)
{
    label->SetCaption(QStringLiteral("H"));
    const int small = CaptionInk().height();
    QFont large = label->font();
    large.setPixelSize(40);
    label->setFont(large);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);

    const QImage picture = Pictures::Of(*label);
    const QRect ink = Pictures::Ink(picture, White);
    EXPECT_GT(ink.height(), 2 * small);
    EXPECT_EQ(picture.pixel(ink.center()), qRgb(0, 0, 255));
}

TEST_F(TransLabelCaption, ClipsTheCaptionToTheLabel)
{
    label->setGeometry(20, 20, 30, 17);
    label->SetCaption(QStringLiteral("a caption far wider than the label"));
    const QImage whole = Pictures::Of(parent);
    EXPECT_TRUE(Pictures::Ink(whole.copy(50, 0, 150, 100), White).isEmpty());
}

}
