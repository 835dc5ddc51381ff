#include "Backdrop.h"
#include "Pictures.h"

#include "widgets/zavTransLabel.h"

#include <gtest/gtest.h>

#include <ostream>


namespace {

const QRect Place(7, 5, 50, 30);

int Tinted(int colour, int background, int transparency)
{
    return ((100 - transparency) * colour + transparency * background) / 100;
}

// Compares every pixel of the label's picture with the tint of the backdrop
// pixel behind it; stops at the first difference.
void ExpectTintedBackdrop(const QImage& picture, TColor colour, int transparency)
{
    ASSERT_EQ(picture.size(), Place.size());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb behind = Backdrop::Pattern(Place.x() + x, Place.y() + y);
            const QRgb expected = qRgb(Tinted(colour.Red(), qRed(behind), transparency),
                                       Tinted(colour.Green(), qGreen(behind), transparency),
                                       Tinted(colour.Blue(), qBlue(behind), transparency));
            ASSERT_EQ(picture.pixel(x, y), expected) << "at " << x << ", " << y;
        }
}

struct TintCase {
    const char* name;
    TColor colour;
    int transparency;

    friend void PrintTo(const TintCase& c, std::ostream* out) { *out << c.name; }
};

class TransLabelTint : public testing::TestWithParam<TintCase> {
protected:
    Backdrop backdrop;
    TzavTransLabel* label = new TzavTransLabel(&backdrop);

    void SetUp() override { label->setGeometry(Place); }
};

TEST_P(TransLabelTint, BlendsEveryPixelWithTheIntegerFormula)
{
    label->SetColor(GetParam().colour);
    label->SetTransparency(GetParam().transparency);
    ExpectTintedBackdrop(Pictures::Of(*label), GetParam().colour, GetParam().transparency);
}

INSTANTIATE_TEST_SUITE_P(
    Transparencies, TransLabelTint,
    testing::Values(TintCase{"FullWhite", clWhite, 100}, TintCase{"FullBlack", clBlack, 100},
                    TintCase{"FullOrange", TColor::FromRgb(255, 128, 0), 100},
                    TintCase{"NoneNavy", clNavy, 0}, TintCase{"OnePercent", TColor::FromRgb(10, 200, 250), 1},
                    TintCase{"ThirtySeven", TColor::FromRgb(10, 200, 250), 37},
                    TintCase{"NinetyNine", TColor::FromRgb(255, 255, 255), 99},
                    TintCase{"TopByteIgnored", TColor{0xFF00C0FF}, 45}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransLabelDefaults, NewLabelLetsSixtyPercentThroughAGreenTint)
{
    Backdrop backdrop;
    auto* label = new TzavTransLabel(&backdrop);
    label->setGeometry(Place);
    ExpectTintedBackdrop(Pictures::Of(*label), TColor::FromRgb(0, 128, 0), 60);
}

class TransLabelMist : public testing::Test {
protected:
    Backdrop backdrop;
    TzavTransLabel* label = new TzavTransLabel(&backdrop);

    void SetUp() override
    {
        label->setGeometry(Place);
        label->SetColor(TColor::FromRgb(20, 90, 200));
        QFont font = label->font();
        font.setPixelSize(20);
        font.setBold(true);
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        label->SetCaption(QStringLiteral("WWW"));
    }

    QImage PictureWithMist(bool mist)
    {
        label->SetMist(mist);
        return Pictures::Of(*label);
    }
};

TEST_F(TransLabelMist, FullTransparencyShowsTheCaptionTheSameEitherWay)
{
    label->SetTransparency(100);
    const QImage misty = PictureWithMist(true);
    EXPECT_EQ(misty, PictureWithMist(false));
    label->SetCaption(QString());
    EXPECT_NE(misty, Pictures::Of(*label)) << "the caption left no mark";
}

TEST_F(TransLabelMist, NoTransparencyCoversAMistyCaption)
{
    label->SetTransparency(0);
    const QImage picture = PictureWithMist(true);
    EXPECT_TRUE(Pictures::Ink(picture, qRgb(20, 90, 200)).isEmpty());
}

TEST_F(TransLabelMist, NoTransparencyLeavesAClearCaptionOnThePlainColour)
{
    label->SetTransparency(0);
    const QImage picture = PictureWithMist(false);
    const QRect ink = Pictures::Ink(picture, qRgb(20, 90, 200));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(picture.pixel(picture.width() - 1, picture.height() - 1), qRgb(20, 90, 200));
    bool black = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            black = black || picture.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_TRUE(black) << "the caption was tinted";
}

TEST_F(TransLabelMist, MistyCaptionIsTintedLikeTheBackground)
{
    label->SetColor(clWhite);
    label->SetTransparency(50);
    const QImage picture = PictureWithMist(true);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_NE(picture.pixel(x, y), qRgb(0, 0, 0)) << "untinted caption pixel at " << x << ", " << y;
    EXPECT_NE(picture, PictureWithMist(false));
}

}
