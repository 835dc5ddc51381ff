#pragma once

#include <QApplication>

#include <string>

// Like the program's own application object, it catches what a handler
// raises while an event is dispatched and keeps the message, which the
// program would show in a message box.
class ErrorCatchingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;

    // The message of the last caught exception; reading it clears it.
    static std::string TakeError();

private:
    static std::string s_error;
};
