#include "TestNet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

// A copy of the program with cap_net_raw as a file capability, started as
// nobody: what the setcap advice sets up for every local user.
struct PrivilegedCase {
    const char* name;
    const char* program;
    bool monitor;  // the window program, which takes Qt's options and a host list
};

void PrintTo(const PrivilegedCase& c, std::ostream* out)
{
    *out << c.name;
}

quint64 capabilities(const QString& status, const QString& field)
{
    for (const QString& line : status.split('\n')) {
        if (line.startsWith(field + ":"))
            return line.mid(field.size() + 1).trimmed().toULongLong(nullptr, 16);
    }
    return ~0ull;
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Whether the process holds a socket of the kernel's table (raw, raw6).
bool holdsSocketOf(qint64 pid, const QString& table)
{
    QSet<QString> inodes;
    const QDir fds(QString("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.contains("socket:["))
            inodes << target.section('[', 1).chopped(1);
    }
    const QStringList lines = readAll(QString("/proc/%1/net/%2").arg(pid).arg(table)).split('\n');
    for (const QString& line : lines.mid(1)) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 9 && inodes.contains(fields[9]))
            return true;
    }
    return false;
}

// Started privileged, the process keeps raw sockets of both families and
// nothing else of its privilege.
bool keptSocketsAndDroppedTheRest(qint64 pid)
{
    const QString status = readAll(QString("/proc/%1/status").arg(pid));
    return capabilities(status, "CapEff") == 0 && capabilities(status, "CapPrm") == 0 && holdsSocketOf(pid, "raw")
        && holdsSocketOf(pid, "raw6");
}

class PrivilegedStart : public testing::TestWithParam<PrivilegedCase> {};

TEST_P(PrivilegedStart, KeepsItsRawSocketsDropsEveryCapabilityAndLoadsNoPluginOfTheUser)
{
    const PrivilegedCase& c = GetParam();
    QTemporaryDir folder;
    // The monitor writes its log and settings here as nobody.
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777)));
    const QDir dir(folder.path());
    const QString copy = dir.filePath("program");
    ASSERT_TRUE(QFile::copy(c.program, copy));
    ASSERT_EQ(QProcess::execute("setcap", {"cap_net_raw+ep", copy}), 0);
    const QString plugins = dir.filePath("plugins");
    ASSERT_TRUE(dir.mkpath("plugins/platforms") && dir.mkpath("plugins/styles"));
    QFile hosts(dir.filePath("hosts.txt"));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write(QByteArray(testnet::Fast) + ";fast;10\r\n");
    hosts.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_PLUGIN_PATH", plugins);
    environment.insert("QT_QPA_PLATFORM_PLUGIN_PATH", dir.filePath("plugins/platforms"));
    environment.insert("QT_DEBUG_PLUGINS", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    environment.insert("HOME", folder.path());
    environment.remove("DISPLAY");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    QStringList arguments{"--reuid=nobody", "--regid=nogroup", "--clear-groups", copy};
    if (c.monitor)
        arguments << "-platformpluginpath" << plugins << "-style" << "mine" << hosts.fileName();
    else
        arguments << testnet::Delayed200 << "-w" << "3000";
    process.start("setpriv", arguments);
    ASSERT_TRUE(process.waitForStarted(5000));

    bool dropped = false;
    QElapsedTimer waited;
    waited.start();
    while (!dropped && process.state() == QProcess::Running && waited.elapsed() < 5000) {
        dropped = keptSocketsAndDroppedTheRest(process.processId());
        QThread::msleep(5);
    }
    EXPECT_TRUE(dropped);
    if (c.monitor) {
        process.kill();
    } else {
        // The kept socket serves the echo.
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).contains("ReplyStatus: 0\n"));
    }
    process.waitForFinished(5000);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_FALSE(errors.contains(plugins)) << errors.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Programs, PrivilegedStart,
                         testing::Values(PrivilegedCase{"Monitor", QUORVANE_PROGRAM, true},
                                         PrivilegedCase{"EchoTool", QUORVANE_ECHO, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}
