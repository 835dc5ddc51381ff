#pragma once

#include <QString>

#include <functional>

// The desktop's "open" of a URL, the way link labels and the window's
// "Product homepage" reach it. Like the classic shell call it answers with a
// number: above 32 the URL was handed to a program, 32 or less is a failure.
// Tests install a fake; the desktop's own shell is used otherwise.
class DesktopShell {
public:
    // A failure that shows only once the URL has been handed over.
    using LaterFailure = std::function<void(int result)>;

    virtual ~DesktopShell() = default;

    // Never waits for the program that opens the URL: when it fails after
    // this has returned, failedLater gets its result on the event loop.
    virtual int Open(const QString& url, const LaterFailure& failedLater) = 0;

    static DesktopShell& Current();
    // Does not take ownership; nullptr brings back the desktop's own shell.
    static void Install(DesktopShell* shell);

    // Opens url through the current shell and raises std::runtime_error with
    // FailureMessage(shownName, result) when the shell reports a failure; a
    // failure reported later is raised from the event loop.
    static void OpenOrRaise(const QString& url, const QString& shownName);
    // "ShellExecute "<shownName>" Failed with Error: <result>"
    static QString FailureMessage(const QString& shownName, int result);
};
