#include "ShowInTrayKeys.h"

#include "ProgramRun.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QString xdotool(const QStringList& arguments, const QString& display)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    process.setProcessEnvironment(environment);
    process.start("xdotool", arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << "xdotool did not end (package xdotool)";
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

}

// No window manager hands out the keyboard: xdotool does. A window that
// hangs still gets its keys, later.
void tickShowInTray(qint64 pid, const QString& display)
{
    QString window;
    ASSERT_TRUE(within(5000, [&] {
        window = xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}, display).section('\n', 0, 0);
        return !window.isEmpty();
    })) << "no window shown";
    xdotool({"windowfocus", "--sync", window}, display);
    xdotool({"key", "--delay", "150", "alt+o", "t"}, display);
}
