#pragma once

#include <QByteArray>
#include <QString>

// The text files of the monitor are 8-bit text, one encoding per file.
// Everything written is UTF-8. A text that is valid UTF-8 is read as
// UTF-8, anything else as Latin-1, so that no byte is ever dropped or
// replaced. A UTF-8 byte order mark in front is dropped either way.
class EightBitText {
public:
    static QByteArray encode(const QString& text);
    static QString decode(const QByteArray& bytes);
};
