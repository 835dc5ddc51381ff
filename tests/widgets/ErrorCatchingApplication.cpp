#include "ErrorCatchingApplication.h"

#include <exception>
#include <utility>

std::string ErrorCatchingApplication::s_error;

bool ErrorCatchingApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        s_error = error.what();
        return false;
    }
}

std::string ErrorCatchingApplication::TakeError()
{
    return std::exchange(s_error, std::string());
}
