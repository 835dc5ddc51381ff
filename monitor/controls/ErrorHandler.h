#pragma once

#include <QString>

#include <exception>
#include <utility>

class QWidget;

// The application's default error handler: a failure that escapes a
// command, a control's handler or a start-up step is shown in a message
// box, and written to standard error as one line, and ends only that
// command. Every handler is entered through run(),
// so no exception ever crosses Qt's own frames.
class ErrorHandler {
public:
    static void report(const QString& message);
    // Only the line on standard error, for news that needs no box.
    static void tell(const QString& message);

    template <typename Handler>
    static bool run(Handler&& handler)
    {
        try {
            std::forward<Handler>(handler)();
            return true;
        } catch (const std::exception& e) {
            report(QString::fromUtf8(e.what()));
        } catch (...) {
            report("An unexpected error occurred.");
        }
        return false;
    }
};
