#include "monitor/app/QuorvaneApplication.h"

#include "monitor/controls/ErrorHandler.h"

#include "common/ProductIdentity.h"

bool QuorvaneApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    ErrorHandler::run([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void QuorvaneApplication::nameApplication()
{
    QApplication::setApplicationName(ProductIdentity::Application);
    QApplication::setOrganizationName(ProductIdentity::Organisation);
}
