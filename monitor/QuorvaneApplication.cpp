#include "monitor/QuorvaneApplication.h"

#include "monitor/ErrorHandler.h"

bool QuorvaneApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    ErrorHandler::run([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void QuorvaneApplication::nameApplication()
{
    QApplication::setApplicationName("Quorvane");
    QApplication::setOrganizationName("Halvetor");
}
