#include "monitor/EightBitText.h"

#include <QStringDecoder>

QByteArray EightBitText::encode(const QString& text)
{
    return text.toUtf8();
}

QString EightBitText::decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}
