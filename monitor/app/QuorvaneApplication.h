#pragma once

#include <QApplication>

// The application object. Handlers are entered through ErrorHandler::run;
// what a control raises inside Qt's own event handling (a link label that
// the desktop cannot open) is caught here, at dispatch, and shown the same
// way.
class QuorvaneApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;

    // Names the running application as the settings store knows it.
    static void nameApplication();
};
