#include "NotificationDesktop.h"
#include "ProgramRun.h"
#include "TestNet.h"
#include "common/ProductIdentity.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

// The kernel of the fast host stops answering echoes while this lives.
class SilencedHost {
public:
    SilencedHost() { set(1); }
    ~SilencedHost() { set(0); }

private:
    static void set(int ignore)
    {
        const int status = QProcess::execute("ip", {"netns", "exec", qEnvironmentVariable("QV_NETNS_FAST"), "sysctl",
                                                    "-q", QString("net.ipv4.icmp_echo_ignore_all=%1").arg(ignore)});
        EXPECT_EQ(status, 0) << "sysctl in the fast host's namespace";
    }
};

int told(const std::vector<NotificationDesktop::Call>& calls, const QString& what)
{
    int n = 0;
    for (const auto& call : calls)
        n += call.summary.contains(what) || call.body.contains(what);
    return n;
}

const QString FastDown = "fast.test (kernel host) is down";
const QString FastUp = "fast.test (kernel host) is up again";
const QString SilentDown = "silent.test is down";

// A host goes silent and answers again, another never answers, a third
// always does: dunst is told one "down" and one "up" for the first, one
// "down" for the second and nothing of the third.
TEST(DesktopNotifications, DownAndUpAreToldOnceEach)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) << "run under dbus-run-session";
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("QV_NETNS_FAST")) << "run under with-testnet.sh";
    NotificationDesktop desktop;
    ASSERT_TRUE(desktop.failure().isEmpty()) << desktop.failure().toStdString();
    ProgramRun program({QString(testnet::FastName) + ";kernel host", testnet::SilentName, testnet::EchoName},
                       {"interval=1", "notify=yes", "notifyafter=2"});
    program.start();

    ASSERT_TRUE(within(15000, [&] { return told(desktop.calls(), SilentDown) > 0; }));
    {
        SilencedHost silenced;
        ASSERT_TRUE(within(15000, [&] { return told(desktop.calls(), FastDown) > 0; }));
    }
    ASSERT_TRUE(within(10000, [&] { return told(desktop.calls(), FastUp) > 0; }));
    // The echoes sent while it was silent time out within 5 s from now.
    QThread::msleep(6500);
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const auto calls = desktop.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].summary, SilentDown);
    EXPECT_EQ(calls[1].summary, FastDown);
    EXPECT_EQ(calls[2].summary, FastUp);
    EXPECT_EQ(told(calls, testnet::EchoName), 0);
    EXPECT_TRUE(QRegularExpression(R"(^2 echoes lost since \d\d:\d\d:\d\d\nRequest timed out$)")
                    .match(calls[1].body)
                    .hasMatch())
        << calls[1].body.toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^Answered in \d+ ms after \d+ s down$)").match(calls[2].body).hasMatch())
        << calls[2].body.toStdString();
    EXPECT_NE(calls[1].id, 0u);
    EXPECT_EQ(calls[2].replaces, calls[1].id) << "up takes the place of its down";
    const auto hint = [](const QString& name, const QString& value) {
        return QRegularExpression(QString(R"(string "%1"\s*variant\s*%2\s)").arg(name, value));
    };
    for (const auto& call : calls) {
        const bool down = call.summary.endsWith("down");
        EXPECT_EQ(call.appName, ProductIdentity::DisplayName);
        EXPECT_EQ(call.icon, ProductIdentity::ApplicationId);
        EXPECT_TRUE(hint("desktop-entry", QString(R"(string "%1")").arg(QRegularExpression::escape(ProductIdentity::ApplicationId))).match(call.hints).hasMatch());
        EXPECT_TRUE(hint("urgency", down ? "byte 2" : "byte 1").match(call.hints).hasMatch()) << call.summary.toStdString();
        EXPECT_TRUE(hint("category", down ? R"(string "network\.disconnected")" : R"(string "network\.connected")")
                        .match(call.hints)
                        .hasMatch())
            << call.summary.toStdString();
    }
}

// Without a session bus the program says so once and polls on; with a
// display, libdbus would start a bus of its own that outlives the program.
TEST(DesktopNotifications, WithoutABusPollingGoesOn)
{
    const NotificationDesktop desktop;
    ASSERT_TRUE(desktop.failure().isEmpty()) << desktop.failure().toStdString();
    QTemporaryDir runtime;
    ProgramRun program({testnet::Unrouted, testnet::SilentName, testnet::FastName},
                       {"interval=1", "notify=yes", "notifyafter=1", "writelog=yes"});
    program.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "");
    program.setEnvironment("XDG_RUNTIME_DIR", runtime.path());
    program.setEnvironment("DISPLAY", desktop.display());
    program.keepErrors();
    program.start();
    const auto fastRecords = [&] {
        return program.logRecords().filter(QRegularExpression("^" + QRegularExpression::escape(testnet::FastName)))
            .size();
    };
    // The unrouted host is down at once, the silent one after 5 s: two
    // notices, one attempt.
    ASSERT_TRUE(within(20000, [&] { return fastRecords() >= 9; }));
    EXPECT_EQ(program.stop(SIGTERM), 0);
    const QStringList told = program.errors().split('\n').filter("desktop notifications");
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_EQ(told[0].toStdString(),
              "quorvane: desktop notifications are unavailable: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)");
    EXPECT_GE(program.logRecords().filter(testnet::SilentName).size(), 4);
}

}
