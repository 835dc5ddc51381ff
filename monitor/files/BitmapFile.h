#pragma once

#include <QImage>
#include <QString>

// Saved graphs are 32-bit Windows bitmaps. Qt's own BMP writer writes 24
// bits per pixel, so the file is written here.
class BitmapFile {
public:
    // Throws std::runtime_error when the file cannot be written.
    static void save(const QImage& picture, const QString& path);
};
