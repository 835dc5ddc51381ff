#include "graph/TextPatchCache.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

std::vector<QRgb> grab(const QImage& image, const QRect& box)
{
    std::vector<QRgb> pixels;
    pixels.reserve(static_cast<std::size_t>(box.width()) * box.height());
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y)) + box.left();
        pixels.insert(pixels.end(), row, row + box.width());
    }
    return pixels;
}

bool matches(const QImage& image, const QRect& box, const std::vector<QRgb>& pixels)
{
    if (pixels.size() != static_cast<std::size_t>(box.width()) * box.height())
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(box.width()) * sizeof(QRgb);
    const QRgb* expected = pixels.data();
    for (int y = box.top(); y <= box.bottom(); ++y, expected += box.width()) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y)) + box.left();
        if (std::memcmp(row, expected, rowBytes) != 0)
            return false;
    }
    return true;
}

void put(QImage& image, const QRect& box, const std::vector<QRgb>& pixels)
{
    const std::size_t rowBytes = static_cast<std::size_t>(box.width()) * sizeof(QRgb);
    const QRgb* source = pixels.data();
    for (int y = box.top(); y <= box.bottom(); ++y, source += box.width())
        std::memcpy(reinterpret_cast<QRgb*>(image.scanLine(y)) + box.left(), source, rowBytes);
}

} // namespace

TTextPatchCache::Entry& TTextPatchCache::entry(const QImage& image, const QString& text, const QFont& font)
{
    ++FUses;
    for (Entry& known : FEntries) {
        if (known.text == text && known.font == font) {
            known.lastUse = FUses;
            return known;
        }
    }
    const QFontMetrics metrics(font, &image);
    const int width = metrics.horizontalAdvance(text);
    const int margin = std::max(2, metrics.height() / 4);
    const QRect cell(0, 0, width, metrics.height());
    const QRect ink = metrics.boundingRect(text).translated(0, metrics.ascent());
    Entry fresh{text, font, width, metrics.ascent(), cell.united(ink).adjusted(-margin, -margin, margin, margin),
        std::nullopt, FUses};
    if (FEntries.size() < Capacity) {
        FEntries.push_back(std::move(fresh));
        return FEntries.back();
    }
    Entry& oldest = *std::min_element(FEntries.begin(), FEntries.end(),
        [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    oldest = std::move(fresh);
    return oldest;
}

std::int32_t TTextPatchCache::Width(const QImage& image, const QString& text, const QFont& font)
{
    return entry(image, text, font).width;
}

QRect TTextPatchCache::Box(const QImage& image, const QString& text, const QFont& font)
{
    return entry(image, text, font).box;
}

void TTextPatchCache::Draw(QImage& image, QPoint topLeft, const QString& text, const QFont& font, QRgb color)
{
    if (image.isNull() || text.isEmpty())
        return;
    Entry& known = entry(image, text, font);
    const QRect box = known.box.translated(topLeft).intersected(image.rect());
    const Patch* patch = known.patch ? &*known.patch : nullptr;
    if (patch != nullptr && patch->topLeft == topLeft && patch->color == color && matches(image, box, patch->before)) {
        put(image, box, patch->after);
        return;
    }

    std::vector<QRgb> before = grab(image, box);
    {
        QPainter painter(&image);
        painter.setClipRect(box);
        painter.setFont(font);
        painter.setPen(QColor::fromRgb(color));
        painter.drawText(QPoint(topLeft.x(), topLeft.y() + known.ascent), text);
    }
    known.patch = Patch{topLeft, color, std::move(before), grab(image, box)};
}
