#include "monitor/files/EightBitText.h"

#include <QStringDecoder>

QByteArray EightBitText::encode(const QString& text)
{
    return text.toUtf8();
}

QString EightBitText::decode(const QByteArray& bytes)
{
    // Editors put the mark in front of text they then save in another
    // encoding too; as Latin-1 it would become "ï»¿" in front of the first host.
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text);
}
