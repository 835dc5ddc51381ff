#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Draws texts with QPainter, remembering what each drawing did to the pixels
// around the text so that a repeat costs a compare and a copy.
//
// QPainter blends text into each pixel on its own, from that pixel's old
// value alone. So the same text in the same font and colour, drawn at the
// same place over the same pixels, always leaves the same pixels: when the
// pixels in the text's box match those met last time, the pixels left last
// time are copied in instead of drawing again, which is exactly what drawing
// would have done. The box is the text's cell and ink with a margin of a
// quarter of the line height, and drawing is clipped to it, so that no
// pixel outside it ever changes.
//
// One cache serves one bitmap: widths and boxes are measured at that
// bitmap's resolution.
class TTextPatchCache {
public:
    void Draw(QImage& image, QPoint topLeft, const QString& text, const QFont& font, QRgb color);
    std::int32_t Width(const QImage& image, const QString& text, const QFont& font);
    // Every pixel Draw may change, relative to the text's top-left corner.
    QRect Box(const QImage& image, const QString& text, const QFont& font);

private:
    struct Patch {
        QPoint topLeft;
        QRgb color;
        std::vector<QRgb> before;
        std::vector<QRgb> after;
    };
    struct Entry {
        QString text;
        QFont font;
        std::int32_t width;
        std::int32_t ascent;
        QRect box; // relative to the text's top-left corner
        std::optional<Patch> patch;
        std::uint64_t lastUse;
    };

    Entry& entry(const QImage& image, const QString& text, const QFont& font);

    // Enough for both corner texts, each as it was and as it is now.
    static constexpr std::size_t Capacity = 4;
    std::vector<Entry> FEntries;
    std::uint64_t FUses = 0;
};
