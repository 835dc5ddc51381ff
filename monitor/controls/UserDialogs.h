#pragma once

#include <QString>

#include <optional>

class QWidget;

// Every file dialog and message box of the window goes through here, so
// that tests can answer them without a person.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // An empty result means the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& folder) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& folder, const QString& proposedName,
                                 const QString& filter) = 0;
    // Returns at once: the box stays up while the window goes on, and
    // without a display there is none (ErrorHandler has told standard error).
    virtual void showError(QWidget* parent, const QString& message) = 0;
    // A whole number from minimum to maximum; nothing when the user cancelled.
    virtual std::optional<int> askInteger(QWidget* parent, const QString& label, int value, int minimum,
                                          int maximum) = 0;

    static UserDialogs& active();
    // Returns the previous one; null restores the real dialogs.
    static UserDialogs* install(UserDialogs* dialogs);
};
