#include "widgets/DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

#include <stdexcept>

namespace {

// QDesktopServices answers only yes or no; "yes" becomes the smallest
// success code and "no" a failure code of 0, which is what users see.
class QtDesktopShell : public DesktopShell {
public:
    int Open(const QString& url) override { return QDesktopServices::openUrl(QUrl(url)) ? 33 : 0; }
};

DesktopShell* installed = nullptr;

}

DesktopShell& DesktopShell::Current()
{
    static QtDesktopShell desktop;
    return installed != nullptr ? *installed : desktop;
}

void DesktopShell::Install(DesktopShell* shell)
{
    installed = shell;
}

void DesktopShell::OpenOrRaise(const QString& url, const QString& shownName)
{
    const int result = Current().Open(url);
    if (result <= 32)
        throw std::runtime_error(FailureMessage(shownName, result).toStdString());
}

QString DesktopShell::FailureMessage(const QString& shownName, int result)
{
    // One pass, so that a "%2" inside the name stays as it is.
    return QStringLiteral("ShellExecute \"%1\" Failed with Error: %2").arg(shownName, QString::number(result));
}
