#pragma once

#include <QCoreApplication>

// Workers hand their outcome over through the application's event loop, so
// the tests need an application object. Like the program's own, it catches
// what a handler raises at dispatch, so that nothing crosses Qt's frames.
class CatchingApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override;

    static int caught;
};
