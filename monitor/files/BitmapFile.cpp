#include "monitor/files/BitmapFile.h"

#include "monitor/files/WholeFileSave.h"

#include <QIODevice>
#include <QtEndian>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

void put16(QByteArray& bytes, qsizetype at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

void put32(QByteArray& bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

}

void BitmapFile::save(const QImage& picture, const QString& path)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int rowBytes = image.width() * 4;
    const auto pixelBytes = static_cast<quint32>(rowBytes) * static_cast<quint32>(image.height());
    QByteArray bytes(FileHeaderSize + InfoHeaderSize, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, FileHeaderSize + InfoHeaderSize + pixelBytes);
    put32(bytes, 10, FileHeaderSize + InfoHeaderSize);
    put32(bytes, 14, InfoHeaderSize);
    put32(bytes, 18, static_cast<quint32>(image.width()));
    put32(bytes, 22, static_cast<quint32>(image.height()));
    put16(bytes, 26, 1);
    put16(bytes, 28, 32);
    put32(bytes, 34, pixelBytes);
    put32(bytes, 38, 3780);  // 96 dots per inch
    put32(bytes, 42, 3780);
    bytes.reserve(bytes.size() + pixelBytes);
    // Rows bottom-up, each pixel blue, green, red and a zero byte: the
    // layout of QImage's RGB32 on a little-endian machine, less the alpha.
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const char pixel[4] = {static_cast<char>(qBlue(p)), static_cast<char>(qGreen(p)),
                                   static_cast<char>(qRed(p)), 0};
            bytes.append(pixel, 4);
        }
    }
    WholeFileSave::save(path, "Cannot write the graph to",
                        [&](QIODevice& file) { return file.write(bytes) == bytes.size(); });
}
