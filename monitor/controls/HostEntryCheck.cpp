#include "monitor/controls/HostEntryCheck.h"

namespace {

constexpr qsizetype QuotedLength = 40;

bool isLineBreak(QChar c)
{
    return c == '\r' || c == '\n' || c == QChar(0x85) || c.category() == QChar::Separator_Line ||
           c.category() == QChar::Separator_Paragraph;
}

// The text as it can be quoted on one line: control characters written as
// escapes, a long paste cut short.
QString quoted(const QString& text)
{
    QString shown;
    for (const QChar c : text) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\t')
            shown += "\\t";
        else if (c.category() == QChar::Other_Control || isLineBreak(c))
            shown += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        else
            shown += c;
    }
    if (shown.size() > QuotedLength)
        shown = shown.left(QuotedLength - 3) + "...";
    return '"' + shown + '"';
}

// What is wrong with one field, or nothing. Line breaks are named first, as
// they do the most harm.
QString flaw(const QString& text, const QString& separators)
{
    for (const QChar c : text) {
        if (isLineBreak(c))
            return "a line break";
    }
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return "a control character";
    }
    for (const QChar c : text) {
        if (separators.contains(c))
            return QString("\"%1\"").arg(c);
    }
    return {};
}

}

QString HostEntryCheck::lengthProblem(const QString& host, const QString& description)
{
    if (host.size() > MaxHostLength)
        return QString("The host %1 is longer than %2 characters.").arg(quoted(host)).arg(MaxHostLength);
    if (description.size() > MaxDescriptionLength)
        return QString("The description %1 is longer than %2 characters.")
            .arg(quoted(description))
            .arg(MaxDescriptionLength);
    return {};
}

QString HostEntryCheck::problem(const QString& host, const QString& description)
{
    if (const QString tooLong = lengthProblem(host, description); !tooLong.isEmpty())
        return tooLong;
    if (const QString wrong = flaw(host, ";,"); !wrong.isEmpty())
        return QString("The host %1 holds %2. A host may not hold line breaks, other control characters, \";\" or \",\".")
            .arg(quoted(host), wrong);
    if (const QString wrong = flaw(description, ";"); !wrong.isEmpty())
        return QString("The description %1 holds %2. A description may not hold line breaks, other control "
                       "characters or \";\".")
            .arg(quoted(description), wrong);
    return {};
}
