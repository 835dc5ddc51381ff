#include "monitor/ErrorHandler.h"

#include "monitor/UserDialogs.h"

#include <QApplication>

void ErrorHandler::report(const QString& message)
{
    UserDialogs::active().showError(QApplication::activeWindow(), message);
}
