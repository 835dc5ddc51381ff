#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>

#include <vector>

namespace GraphTest {

inline std::vector<int> rowsOf(const QImage& image, int x, QRgb color)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) == color)
            rows.push_back(y);
    return rows;
}

inline std::vector<int> columnsOf(const QImage& image, int y, QRgb color, int fromX = 0)
{
    std::vector<int> columns;
    for (int x = fromX; x < image.width(); ++x)
        if (image.pixel(x, y) == color)
            columns.push_back(x);
    return columns;
}

inline int countOf(const QImage& image, QRgb color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == color;
    return count;
}

// The bounding box of every pixel in which two pictures differ.
inline QRect difference(const QImage& a, const QImage& b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace GraphTest
