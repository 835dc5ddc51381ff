#include "widgets/LogCaret.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <algorithm>

std::optional<LogCaret> LogCaret::moved(const QKeyEvent& key, qsizetype lines, qsizetype pageRows,
                                        const std::function<qsizetype(qsizetype)>& lengthOf) const
{
    if (lines <= 0)
        return std::nullopt;
    const qsizetype last = lines - 1;
    const qsizetype here = std::clamp<qsizetype>(line, 0, last);
    // A column kept past a shorter line's end would be read as nothing.
    const auto at = [&](qsizetype to, qsizetype column) {
        const qsizetype target = std::clamp<qsizetype>(to, 0, last);
        return LogCaret{target, std::clamp<qsizetype>(column, 0, lengthOf(target))};
    };
    if (key.matches(QKeySequence::MoveToPreviousLine))
        return at(here - 1, column);
    if (key.matches(QKeySequence::MoveToNextLine))
        return at(here + 1, column);
    if (key.matches(QKeySequence::MoveToPreviousPage))
        return at(here - pageRows, column);
    if (key.matches(QKeySequence::MoveToNextPage))
        return at(here + pageRows, column);
    if (key.matches(QKeySequence::MoveToStartOfDocument))
        return at(0, 0);
    if (key.matches(QKeySequence::MoveToEndOfDocument))
        return at(last, lengthOf(last));
    if (key.matches(QKeySequence::MoveToStartOfLine))
        return at(here, 0);
    if (key.matches(QKeySequence::MoveToEndOfLine))
        return at(here, lengthOf(here));
    if (key.matches(QKeySequence::MoveToPreviousChar))
        return column > 0 || here == 0 ? at(here, column - 1) : at(here - 1, lengthOf(here - 1));
    if (key.matches(QKeySequence::MoveToNextChar))
        return column < lengthOf(here) || here == last ? at(here, column + 1) : at(here + 1, 0);
    return std::nullopt;
}
