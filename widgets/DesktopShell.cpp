#include "widgets/DesktopShell.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QProcess>
#include <QUrl>

#include <stdexcept>
#include <string>

namespace {

// xdg-open, the desktop's own opener, started and watched without waiting
// for it: with a browser that is not running yet it lasts as long as the
// browser does, and with none it fails only after a while. Its exit status
// is the failure's number; an opener that cannot be started is 2, the
// shell's "file not found", and one that crashes is 0.
class XdgOpenShell : public DesktopShell {
public:
    int Open(const QString& url, const LaterFailure& failedLater) override
    {
        if (!QUrl(url).isValid() || url.isEmpty())
            return 0;
        // Owned by the application, so that one still running at the end is
        // ended with it rather than left behind.
        auto* opener = new QProcess(QCoreApplication::instance());
        opener->setStandardInputFile(QProcess::nullDevice());
        opener->setStandardOutputFile(QProcess::nullDevice());
        QObject::connect(opener, &QProcess::finished, opener,
                         [opener, failedLater](int exitCode, QProcess::ExitStatus status) {
                             opener->deleteLater();
                             if (status == QProcess::CrashExit)
                                 failedLater(0);
                             else if (exitCode != 0)
                                 failedLater(exitCode);
                         });
        QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failedLater](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            opener->deleteLater();
            failedLater(2);
        });
        opener->start(QStringLiteral("xdg-open"), {url});
        return 33;
    }
};

DesktopShell* installed = nullptr;

}

DesktopShell& DesktopShell::Current()
{
    static XdgOpenShell desktop;
    return installed != nullptr ? *installed : desktop;
}

void DesktopShell::Install(DesktopShell* shell)
{
    installed = shell;
}

void DesktopShell::OpenOrRaise(const QString& url, const QString& shownName)
{
    const int result = Current().Open(url, [shownName](int later) {
        // Raised from the event loop, where only the dispatch of a queued
        // call lies between it and the application object's notify(): Qt's
        // own frames are built without exceptions.
        const std::string message = FailureMessage(shownName, later).toStdString();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [message] { throw std::runtime_error(message); }, Qt::QueuedConnection);
    });
    if (result <= 32)
        throw std::runtime_error(FailureMessage(shownName, result).toStdString());
}

QString DesktopShell::FailureMessage(const QString& shownName, int result)
{
    // One pass, so that a "%2" inside the name stays as it is.
    return QStringLiteral("ShellExecute \"%1\" Failed with Error: %2").arg(shownName, QString::number(result));
}
