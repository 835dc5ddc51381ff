#include "monitor/files/StrictInteger.h"

#include <stdexcept>

std::optional<std::int32_t> StrictInteger::tryParse(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!(c >= '0' && c <= '9') && !(i == 0 && (c == '+' || c == '-') && text.size() > 1))
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<std::int32_t>(value) : std::nullopt;
}

std::int32_t StrictInteger::parse(const QString& text)
{
    if (const auto value = tryParse(text))
        return *value;
    // A pasted page of text would make an unreadable message.
    const QString shown = text.size() > 40 ? text.left(37) + "..." : text;
    throw std::runtime_error(QString("'%1' is not a valid integer value").arg(shown).toStdString());
}
