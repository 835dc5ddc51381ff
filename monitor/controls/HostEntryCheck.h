#pragma once

#include <QString>

// A host and a description each become one field of a log record and of a
// host list line. What would split a record or a line is refused here, so
// that a paste can neither forge records nor shift the saved slots.
class HostEntryCheck {
public:
    // No host name or address is longer (a scoped literal is far shorter);
    // a longer text would only be copied into every log line of every poll.
    static constexpr qsizetype MaxHostLength = 255;
    static constexpr qsizetype MaxDescriptionLength = 1000;

    // Empty when both are fit to use; otherwise a one-line message that
    // quotes the text concerned and says what is wrong with it.
    static QString problem(const QString& host, const QString& description);

    // Only the limits on length: what a host list file is checked for.
    static QString lengthProblem(const QString& host, const QString& description);
};
