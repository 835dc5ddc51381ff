#include "monitor/controls/ErrorHandler.h"

#include "monitor/controls/UserDialogs.h"

#include <QApplication>
#include <QRegularExpression>

#include <cstdio>

void ErrorHandler::report(const QString& message)
{
    // Without a display nobody sees the box; from a terminal this line is
    // what the user reads.
    tell(message);
    UserDialogs::active().showError(QApplication::activeWindow(), message);
}

// One line per message, so that logs of the terminal stay one message to a
// line.
void ErrorHandler::tell(const QString& message)
{
    const QString line = QString(message).replace(QRegularExpression("\\s*[\r\n]+\\s*"), " ");
    std::fprintf(stderr, "quorvane: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}
