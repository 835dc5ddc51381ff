#include "graph/TextPatchCache.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {

// Pseudo-random pixels, so that any difference in blending shows.
QImage noise(std::uint32_t seed)
{
    QImage image(120, 40, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (seed >> 8);
        }
    }
    return image;
}

QImage drawnDirectly(QImage image, QPoint topLeft, const QString& text, const QFont& font, QRgb color)
{
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(color));
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + painter.fontMetrics().ascent()), text);
    return image;
}

QImage drawnThroughCache(TTextPatchCache& cache, QImage image, QPoint topLeft, const QString& text,
    const QFont& font, QRgb color)
{
    cache.Draw(image, topLeft, text, font, color);
    return image;
}

QFont font(const char* family, int points, bool bold = false, bool italic = false)
{
    QFont result(QString::fromLatin1(family), points);
    result.setBold(bold);
    result.setItalic(italic);
    return result;
}

struct TextCase {
    std::string name;
    QFont font;
    QString text;
    QPoint topLeft;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.name;
}

class TextPatchCacheIdentityTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextPatchCacheIdentityTest, FirstDrawingAndRepeatsEqualDrawingDirectly)
{
    const TextCase& c = GetParam();
    const QRgb black = qRgb(0, 0, 0);
    TTextPatchCache cache;
    const QImage background = noise(7);
    const QImage expected = drawnDirectly(background, c.topLeft, c.text, c.font, black);
    EXPECT_EQ(drawnThroughCache(cache, background, c.topLeft, c.text, c.font, black), expected);
    EXPECT_EQ(drawnThroughCache(cache, background, c.topLeft, c.text, c.font, black), expected);

    const QImage other = noise(8);
    EXPECT_EQ(drawnThroughCache(cache, other, c.topLeft, c.text, c.font, black),
        drawnDirectly(other, c.topLeft, c.text, c.font, black));
}

INSTANTIATE_TEST_SUITE_P(Texts, TextPatchCacheIdentityTest,
    testing::Values(
        TextCase{"BoldArialAsTheWindowSetsIt", font("Arial", 10, true), QStringLiteral("123"), {1, 1}},
        TextCase{"VerdanaAsCreated", font("Verdana", 10), QStringLiteral("4567"), {30, 5}},
        TextCase{"LargeItalicWithDescenders", font("Arial", 20, false, true), QStringLiteral("fjgy"), {40, 2}},
        TextCase{"ClippedOnTheLeft", font("Arial", 10, true), QStringLiteral("98765"), {-12, 1}},
        TextCase{"ClippedOnTheRightAndBottom", font("Arial", 10, true), QStringLiteral("98765"), {100, 30}},
        TextCase{"EntirelyOutside", font("Arial", 10, true), QStringLiteral("5"), {500, 500}}),
    [](const auto& info) { return info.param.name; });

TEST(TextPatchCacheTest, ChangedColourOrPlaceIsDrawnAfresh)
{
    TTextPatchCache cache;
    const QFont bold = font("Arial", 10, true);
    const QImage background = noise(3);
    const QString text = QStringLiteral("42");
    drawnThroughCache(cache, background, {5, 5}, text, bold, qRgb(0, 0, 0));
    EXPECT_EQ(drawnThroughCache(cache, background, {5, 5}, text, bold, qRgb(255, 0, 0)),
        drawnDirectly(background, {5, 5}, text, bold, qRgb(255, 0, 0)));
    EXPECT_EQ(drawnThroughCache(cache, background, {6, 5}, text, bold, qRgb(255, 0, 0)),
        drawnDirectly(background, {6, 5}, text, bold, qRgb(255, 0, 0)));
}

TEST(TextPatchCacheTest, MoreTextsThanItKeepsStillDrawCorrectly)
{
    TTextPatchCache cache;
    const QFont bold = font("Arial", 10, true);
    const QImage background = noise(5);
    for (int round = 0; round < 3; ++round) {
        for (int value = 0; value < 7; ++value) {
            const QString text = QString::number(value * 11);
            EXPECT_EQ(drawnThroughCache(cache, background, {2, 2}, text, bold, qRgb(0, 0, 0)),
                drawnDirectly(background, {2, 2}, text, bold, qRgb(0, 0, 0)))
                << "round " << round << ", text " << text.toStdString();
        }
    }
}

TEST(TextPatchCacheTest, WidthFollowsTheFont)
{
    TTextPatchCache cache;
    const QImage device = noise(1);
    const QFont small = font("Arial", 10, true);
    const QFont large = font("Arial", 20, true);
    const QString text = QStringLiteral("1234");
    const int smallWidth = cache.Width(device, text, small);
    EXPECT_EQ(smallWidth, QFontMetrics(small, &device).horizontalAdvance(text));
    EXPECT_GT(cache.Width(device, text, large), smallWidth);
    EXPECT_EQ(cache.Width(device, text, small), smallWidth);
}

TEST(TextPatchCacheTest, ImageSharedBeforeDrawingKeepsItsPixels)
{
    TTextPatchCache cache;
    QImage image = noise(9);
    const QImage shared = image;
    const QImage snapshot = image.copy();
    for (int repeat = 0; repeat < 2; ++repeat) {
        cache.Draw(image, {3, 3}, QStringLiteral("77"), font("Arial", 10, true), qRgb(0, 0, 0));
        EXPECT_EQ(shared, snapshot);
        EXPECT_NE(image, snapshot);
    }
}

} // namespace
