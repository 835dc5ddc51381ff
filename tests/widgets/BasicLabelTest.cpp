#include "MouseInput.h"
#include "Pictures.h"

#include "widgets/zavBasiclbl.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>


namespace {

const TColor Blue = TColor::FromRgb(0, 0, 255);
const TColor Olive = TColor::FromRgb(128, 128, 0);
const TColor Red = TColor::FromRgb(255, 0, 0);

class BasicLabelHover : public testing::Test {
protected:
    QWidget parent;
    TzavBasicLabel* label = new TzavBasicLabel(&parent);
};

TEST_F(BasicLabelHover, ShowsRedWhileTheMouseIsOver)
{
    label->SetFontColor(Blue);
    MouseInput::Enter(*label);
    EXPECT_EQ(label->FontColor(), Red);
    MouseInput::Leave(*label);
    EXPECT_EQ(label->FontColor(), Blue);
}

TEST_F(BasicLabelHover, ShowsAnotherFocusColourWhenGiven)
{
    label->SetFontColor(Blue);
    label->SetFocusColor(Olive);
    MouseInput::Enter(*label);
    EXPECT_EQ(label->FontColor(), Olive);
    MouseInput::Leave(*label);
    EXPECT_EQ(label->FontColor(), Blue);
}

TEST_F(BasicLabelHover, ReportsEnterAndLeaveAfterTheColourChanged)
{
    label->SetFontColor(Blue);
    std::vector<std::pair<TzavBasicLabel*, TColor>> entered, left;
    label->OnMouseEnter = [&](TzavBasicLabel* sender) { entered.emplace_back(sender, sender->FontColor()); };
    label->OnMouseLeave = [&](TzavBasicLabel* sender) { left.emplace_back(sender, sender->FontColor()); };

    MouseInput::Enter(*label);
    ASSERT_EQ(entered.size(), 1u);
    EXPECT_TRUE(left.empty());
    EXPECT_EQ(entered[0], std::make_pair(label, Red));
    MouseInput::Leave(*label);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], std::make_pair(label, Blue));
}

struct ColourStory {
    const char* name;
    std::function<void(TzavBasicLabel&, QWidget& parent)> before;
    TColor afterLeaving;

    friend void PrintTo(const ColourStory& c, std::ostream* out) { *out << c.name; }
};

// Whatever happened to the label's colour before, hovering and leaving
// must bring back the normal colour, never the hover colour by mistake.
class BasicLabelNormalColour : public BasicLabelHover, public testing::WithParamInterface<ColourStory> {};

TEST_P(BasicLabelNormalColour, IsWhatLeavingRestores)
{
    label->SetFontColor(Blue);
    GetParam().before(*label, parent);
    MouseInput::Enter(*label);
    MouseInput::Leave(*label);
    EXPECT_EQ(label->FontColor(), GetParam().afterLeaving);
}

INSTANTIATE_TEST_SUITE_P(
    Stories, BasicLabelNormalColour,
    testing::Values(
        ColourStory{"GivenBeforeHovering", [](TzavBasicLabel& l, QWidget&) { l.SetFontColor(Olive); }, Olive},
        ColourStory{"GivenWhileHovered",
                    [](TzavBasicLabel& l, QWidget&) {
                        MouseInput::Enter(l);
                        l.SetFontColor(Olive);
                    },
                    Olive},
        ColourStory{"FocusColourGivenIsNotTaken", [](TzavBasicLabel& l, QWidget&) { l.SetFontColor(Red); }, Blue},
        ColourStory{"FocusColourKeptByLoading",
                    [](TzavBasicLabel& l, QWidget&) {
                        l.SetFontColor(Red);
                        l.Loaded();
                    },
                    Red},
        ColourStory{"HoveredTwice",
                    [](TzavBasicLabel& l, QWidget&) {
                        MouseInput::Enter(l);
                        MouseInput::Leave(l);
                    },
                    Blue},
        ColourStory{"FontChangedWhileHovered",
                    [](TzavBasicLabel& l, QWidget&) {
                        MouseInput::Enter(l);
                        QFont bold = l.font();
                        bold.setBold(true);
                        l.setFont(bold);
                    },
                    Blue}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BasicLabelInherited, FollowsTheColourItInheritsFromItsParent)
{
    QWidget parent;
    auto* label = new TzavBasicLabel(&parent);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::WindowText, Olive.ToQColor());
    parent.setPalette(palette);
    ASSERT_EQ(label->FontColor(), Olive);
    MouseInput::Enter(*label);
    MouseInput::Leave(*label);
    EXPECT_EQ(label->FontColor(), Olive);
}

// The text is drawn in the font colour whatever background the label's
// parent paints; Qt's own choice follows the background role.
class BasicLabelInk : public testing::TestWithParam<QPalette::ColorRole> {};

TEST_P(BasicLabelInk, DrawsTheTextInTheFontColour)
{
    QWidget parent;
    parent.setBackgroundRole(GetParam());
    auto* label = new TzavBasicLabel(&parent);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    label->setFont(bold);
    label->setText(QStringLiteral("Www"));
    label->adjustSize();
    label->SetFontColor(Red);
    const QImage picture = Pictures::Of(*label);
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            red += (picture.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_GT(red, 10);
}

INSTANTIATE_TEST_SUITE_P(Backgrounds, BasicLabelInk,
                         testing::Values(QPalette::Window, QPalette::Button, QPalette::Base));

}
