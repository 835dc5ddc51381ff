#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

class QKeyEvent;

// Where the keys are in a read-only log: a line and a column in it, moved
// as in a text box (arrows, Home and End, Page Up and Page Down, Ctrl+Home
// and Ctrl+End), so that a screen reader reads the log at the caret line
// by line, or character by character.
struct LogCaret {
    qsizetype line = 0;
    qsizetype column = 0;

    friend bool operator==(const LogCaret&, const LogCaret&) = default;

    // Where `key` moves the caret among `lines` lines, of which a page
    // shows `pageRows`; nothing for a key that is no caret movement.
    std::optional<LogCaret> moved(const QKeyEvent& key, qsizetype lines, qsizetype pageRows,
                                  const std::function<qsizetype(qsizetype line)>& lengthOf) const;
};
