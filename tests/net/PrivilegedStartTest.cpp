#include "EchoRun.h"
#include "ProgramRun.h"
#include "TestNet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

// A copy of the program and of its ICMP helper, the helper with
// cap_net_raw+ep as the advice sets up, started as nobody where the ping
// sockets are closed. The window may have been given the capability too,
// as an older advice said.
struct PrivilegedCase {
    const char* name;
    const char* program;
    bool monitor;         // the window program, which takes Qt's options and a host list
    bool programCapable;  // the program itself was given cap_net_raw+ep
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

// The program holds no capability and no raw socket of either family.
bool unprivileged(qint64 pid)
{
    const QString status = readAll(QString("/proc/%1/status").arg(pid));
    return !status.isEmpty() && capabilities(status, "CapEff") == 0 && capabilities(status, "CapPrm") == 0
        && !holdsSocketOf(pid, "raw") && !holdsSocketOf(pid, "raw6");
}

bool running(qint64 pid)
{
    const QString stat = readAll(QString("/proc/%1/stat").arg(pid));
    return !stat.isEmpty() && stat.section(") ", 1).left(1) != "Z";
}

// The helper holds the raw socket of its family and nothing else of its
// privilege.
bool servingHelper(qint64 pid)
{
    const QString status = readAll(QString("/proc/%1/status").arg(pid));
    return capabilities(status, "CapEff") == 0 && capabilities(status, "CapPrm") == 0
        && status.contains(QRegularExpression("NoNewPrivs:\\s*1")) && holdsSocketOf(pid, "raw")
        && !holdsSocketOf(pid, "raw6");
}

// Copies the program and its helper into a folder of nobody's reach.
struct CopiedPrograms {
    QTemporaryDir folder;
    QString program;
    QString hosts;

    explicit CopiedPrograms(const PrivilegedCase& c)
    {
        // The monitor writes its log and settings here as nobody.
        QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777));
        const QDir dir(folder.path());
        program = dir.filePath("program");
        const QString helper = dir.filePath("quorvane-icmp");
        EXPECT_TRUE(QFile::copy(c.program, program) && QFile::copy(QUORVANE_ICMP, helper));
        EXPECT_EQ(QProcess::execute("setcap", {"cap_net_raw+ep", helper}), 0);
        if (c.programCapable) {
            EXPECT_EQ(QProcess::execute("setcap", {"cap_net_raw+ep", program}), 0);
        }
        QFile file(dir.filePath("hosts.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(testnet::Fast) + ";fast;10\r\n");
        hosts = file.fileName();
    }
};

QProcessEnvironment nobodysEnvironment(const QString& folder, const QString& plugins)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_PLUGIN_PATH", plugins);
    environment.insert("QT_QPA_PLATFORM_PLUGIN_PATH", plugins + "/platforms");
    environment.insert("QT_DEBUG_PLUGINS", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", folder + "/config");
    environment.insert("HOME", folder);
    environment.remove("DISPLAY");
    return environment;
}

class PrivilegedStart : public testing::TestWithParam<PrivilegedCase> {
protected:
    void SetUp() override { setPingSocketsAllowed(false); }
};

TEST_P(PrivilegedStart, OnlyTheHelperHoldsRawSocketsAndAPrivilegedStartLoadsNoPluginOfTheUser)
{
    const PrivilegedCase& c = GetParam();
    CopiedPrograms copies(c);
    const QDir dir(copies.folder.path());
    const QString plugins = dir.filePath("plugins");
    ASSERT_TRUE(dir.mkpath("plugins/platforms") && dir.mkpath("plugins/styles"));

    QProcess process;
    process.setProcessEnvironment(nobodysEnvironment(copies.folder.path(), plugins));
    process.setWorkingDirectory(copies.folder.path());
    QStringList arguments{"--reuid=nobody", "--regid=nogroup", "--clear-groups", copies.program};
    if (c.monitor)
        arguments << "-platformpluginpath" << plugins << "-style" << "mine" << copies.hosts;
    else
        arguments << testnet::Delayed200 << "-w" << "3000";
    process.start("setpriv", arguments);
    ASSERT_TRUE(process.waitForStarted(5000));
    const qint64 pid = process.processId();

    // Checked while the echo program still waits for its answer.
    bool helperServes = false;
    bool programUnprivileged = false;
    EXPECT_TRUE(within(5000, [&] {
        const qint64 helper = helperOf(pid);
        helperServes = helper != 0 && servingHelper(helper);
        programUnprivileged = unprivileged(pid);
        return helperServes && programUnprivileged;
    })) << "helper with raw sockets and no privilege: " << helperServes
        << ", program without capability or raw socket: " << programUnprivileged;
    if (c.monitor) {
        process.kill();
    } else {
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).contains("ReplyStatus: 0\n"));
    }
    process.waitForFinished(5000);
    // Unprivileged, the user's plugins are the user's business.
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (c.programCapable) {
        EXPECT_FALSE(errors.contains(plugins)) << errors.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, PrivilegedStart,
                         testing::Values(PrivilegedCase{"Monitor", QUORVANE_PROGRAM, true, false},
                                         PrivilegedCase{"MonitorGivenTheCapability", QUORVANE_PROGRAM, true, true},
                                         PrivilegedCase{"EchoToolGivenTheCapability", QUORVANE_ECHO, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without ping sockets and without a capable helper, nothing is sent: the
// user is told at once to open the ping sockets, or else to give the
// helper, not the program, the capability.
TEST(NoPermission, TheAdviceNamesTheHelper)
{
    setPingSocketsAllowed(false);
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7755)));
    const QDir dir(folder.path());
    ASSERT_TRUE(QFile::copy(QUORVANE_ECHO, dir.filePath("quorvane-echo")));
    ASSERT_TRUE(QFile::copy(QUORVANE_ICMP, dir.filePath("quorvane-icmp")));
    QProcess tool;
    tool.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", dir.filePath("quorvane-echo"),
                           testnet::Fast});
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 1);
    const QString errors = QString::fromUtf8(tool.readAllStandardError());
    const auto groupRange = errors.indexOf("sudo sysctl -w net.ipv4.ping_group_range=");
    const auto setcap = errors.indexOf("sudo setcap cap_net_raw+ep " + dir.filePath("quorvane-icmp") + "\n");
    EXPECT_GE(groupRange, 0) << errors.toStdString();
    EXPECT_GT(setcap, groupRange) << errors.toStdString();
}

// Killed, the window cannot close its socket to the helper in any orderly
// way; the helper must not outlive it by more than a second.
TEST(WindowKilled, ItsHelperEndsWithinASecond)
{
    setPingSocketsAllowed(false);
    const PrivilegedCase c{"Monitor", QUORVANE_PROGRAM, true, false};
    CopiedPrograms copies(c);
    QProcess process;
    process.setProcessEnvironment(nobodysEnvironment(copies.folder.path(), copies.folder.path()));
    process.setWorkingDirectory(copies.folder.path());
    process.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", copies.program, copies.hosts});
    ASSERT_TRUE(process.waitForStarted(5000));
    qint64 helper = 0;
    ASSERT_TRUE(within(5000, [&] { return (helper = helperOf(process.processId())) != 0; }));
    ASSERT_TRUE(within(5000, [&] { return servingHelper(helper); }));
    process.kill();
    EXPECT_TRUE(within(1000, [&] { return !running(helper); }));
    process.waitForFinished(5000);
}

}
