#pragma once

#include <QApplication>

// The application object. Handlers are entered through ErrorHandler::run;
// what a control raises inside Qt's own event handling (a link label that
// the desktop cannot open) is caught here, at dispatch, and shown the same
// way.
class QuorvaneApplication : public QApplication {
public:
    // The application's title, which message boxes carry. It is kept apart
    // from Qt's display name on purpose: the desktop would append that to
    // the caption of every window.
    static constexpr char Title[] = "Quorvane 1.4.2";

    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;

    // Names the running application as the settings store knows it.
    static void nameApplication();
};
