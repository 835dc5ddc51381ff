#include "EchoRun.h"
#include "TestNet.h"

#include "ping/socket/EchoExchange.h"
#include "ping/socket/IcmpHelperProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;

// Ended, if not yet reaped by its parent.
bool dead(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || QString::fromLatin1(stat.readAll()).section(") ", 1).startsWith('Z');
}

// The helper's life as the engine sees it, on a network where the ping
// sockets are closed.
class IcmpHelper : public testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() == 0)
            setPingSocketsAllowed(false);
        EchoExchange::forget();
    }
    void TearDown() override
    {
        IcmpHelperProcess::setLongestWait(0ms);
        EchoExchange::forget();
    }
};

// Kills the helper serving IPv4 and waits until it has ended; lets the
// exchange read its end, as the window's loop would between two ticks.
pid_t killHelper()
{
    const pid_t pid = EchoExchange::shared()->helperPid();
    EXPECT_GT(pid, 0);
    EXPECT_EQ(kill(pid, SIGKILL), 0);
    for (int waited = 0; waited < 1000 && !dead(pid); waited += 5)
        QThread::msleep(5);
    EXPECT_TRUE(dead(pid));
    QCoreApplication::processEvents();
    return pid;
}

// A helper that dies is started again at once; one that keeps dying is
// started again only after a wait that doubles, and meanwhile its echoes
// fail with the client's construction failure, not as losses.
TEST_F(IcmpHelper, AKilledHelperIsStartedAgainAtOnceThenAfterAWait)
{
    IcmpHelperProcess::setLongestWait(60s);
    ASSERT_EQ(runEcho({testnet::Fast}).replyCount, 1);
    const pid_t first = killHelper();
    const auto again = runEcho({testnet::Fast});
    EXPECT_EQ(again.replyCount, 1) << again.errorText.toStdString() << again.constructionError.toStdString();
    const pid_t second = killHelper();
    EXPECT_NE(second, first);

    const auto waiting = runEcho({testnet::Fast});
    EXPECT_EQ(waiting.constructionError, "Unable to get ping handle");
    EXPECT_EQ(IcmpHelperProcess::shortfall(0), IcmpHelperProcess::Shortfall::Waiting);
    QThread::msleep(1100);
    const auto back = runEcho({testnet::Fast});
    EXPECT_EQ(back.replyCount, 1) << back.errorText.toStdString() << back.constructionError.toStdString();
}

// A request the helper refuses ends its echo at once, with the status the
// kernel's own refusal would give.
TEST_F(IcmpHelper, ARefusedRequestEndsItsEchoAtOnce)
{
    for (const char* broadcast : {"224.0.0.1", "198.18.0.255"}) {
        const auto o = runEcho({broadcast});
        EXPECT_EQ(o.replyCount, 0) << broadcast;
        EXPECT_EQ(o.errorNumber, 11050u) << broadcast;
        EXPECT_LT(o.elapsedMs, 500) << broadcast;
    }
}

}
