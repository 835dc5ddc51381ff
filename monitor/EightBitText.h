#pragma once

#include <QByteArray>
#include <QString>

// The files the monitor reads and writes are 8-bit text. Text that fits
// Latin-1 is written as Latin-1, byte for byte as held; text with anything
// beyond it is written as UTF-8 rather than losing those characters. On
// reading, bytes that form valid UTF-8 are taken as UTF-8 and anything else
// as Latin-1, so that no byte is ever dropped or replaced.
class EightBitText {
public:
    static QByteArray encode(const QString& text);
    static QString decode(const QByteArray& bytes);
};
