#include "Backdrop.h"
#include "Pictures.h"

#include "widgets/zavTransLabel.h"

#include <gtest/gtest.h>

namespace {

QWidget* SolidBlock(QWidget* parent, QRect place, QColor colour)
{
    auto* block = new QWidget(parent);
    block->setGeometry(place);
    block->setAutoFillBackground(true);
    QPalette palette = block->palette();
    palette.setColor(QPalette::Window, colour);
    block->setPalette(palette);
    return block;
}

// What lies behind a see-through label: the parent's own painting and the
// siblings below it, but nothing above it.
class TransLabelBehind : public testing::Test {
protected:
    Backdrop backdrop;

    TzavTransLabel* ClearLabel(QRect place)
    {
        auto* label = new TzavTransLabel(&backdrop);
        label->setGeometry(place);
        label->SetTransparency(100);
        return label;
    }
};

TEST_F(TransLabelBehind, ShowsTheParentsPaintingAtItsOwnPlace)
{
    TzavTransLabel* label = ClearLabel(QRect(31, 17, 40, 20));
    const QImage picture = Pictures::Of(*label);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(picture.pixel(x, y), Backdrop::Pattern(31 + x, 17 + y)) << "at " << x << ", " << y;
}

TEST_F(TransLabelBehind, ShowsSiblingsBelowButNotThoseAbove)
{
    SolidBlock(&backdrop, QRect(0, 0, 20, 60), Qt::red);
    TzavTransLabel* label = ClearLabel(QRect(10, 10, 40, 20));
    SolidBlock(&backdrop, QRect(40, 0, 50, 60), Qt::blue);

    const QImage picture = Pictures::Of(*label);
    EXPECT_EQ(picture.pixel(0, 5), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(9, 5), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(10, 5), Backdrop::Pattern(20, 15));
    EXPECT_EQ(picture.pixel(35, 5), Backdrop::Pattern(45, 15));
}

TEST_F(TransLabelBehind, FollowsTheStackingOrder)
{
    TzavTransLabel* label = ClearLabel(QRect(10, 10, 40, 20));
    QWidget* block = SolidBlock(&backdrop, QRect(0, 0, 90, 60), Qt::red);
    EXPECT_EQ(Pictures::Of(*label).pixel(5, 5), Backdrop::Pattern(15, 15));
    block->lower();
    EXPECT_EQ(Pictures::Of(*label).pixel(5, 5), qRgb(255, 0, 0));
    block->hide();
    EXPECT_EQ(Pictures::Of(*label).pixel(5, 5), Backdrop::Pattern(15, 15));
}

// The window lays a right-aligned description label over the left-aligned
// host label; a long host name must stay readable through it.
TEST_F(TransLabelBehind, ShowsTheCaptionOfALabelBelow)
{
    TzavTransLabel* host = ClearLabel(QRect(0, 20, 90, 17));
    host->SetCaption(QStringLiteral("a-rather-long-host-name"));
    TzavTransLabel* description = ClearLabel(QRect(30, 20, 60, 17));

    const QImage under = Pictures::Of(*host).copy(30, 0, 60, 17);
    int captionPixels = 0;
    for (int y = 0; y < under.height(); ++y)
        for (int x = 0; x < under.width(); ++x)
            captionPixels += under.pixel(x, y) != Backdrop::Pattern(30 + x, 20 + y);
    ASSERT_GT(captionPixels, 0) << "the host caption does not reach under the description label";
    EXPECT_EQ(Pictures::Of(*description), under);
}

TEST_F(TransLabelBehind, AppearsTintedInAPictureOfTheWholeParent)
{
    TzavTransLabel* label = ClearLabel(QRect(10, 10, 40, 20));
    label->SetTransparency(0);
    label->SetColor(clNavy);
    const QImage whole = Pictures::Of(backdrop);
    EXPECT_EQ(whole.pixel(10, 10), qRgb(0, 0, 128));
    EXPECT_EQ(whole.pixel(49, 29), qRgb(0, 0, 128));
    EXPECT_EQ(whole.pixel(50, 30), Backdrop::Pattern(50, 30));
}

}
