#pragma once

#include <QString>

// A host and a description each become one field of a log record and of a
// host list line. What would split a record or a line is refused here, so
// that a paste can neither forge records nor shift the saved slots.
class HostEntryCheck {
public:
    // Empty when both are fit to use; otherwise a one-line message that
    // quotes the text concerned and says what is wrong with it.
    static QString problem(const QString& host, const QString& description);
};
