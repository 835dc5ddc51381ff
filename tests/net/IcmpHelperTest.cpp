#include "EchoRun.h"
#include "TestNet.h"

#include "ping/socket/EchoExchange.h"
#include "ping/socket/IcmpHelperProcess.h"

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
        IcmpHelperProcess::setRestartInterval(0ms);
        EchoExchange::forget();
    }
};

// A helper that dies fails the echoes that follow, and is started again,
// but not before the restart interval has passed since its last start.
TEST_F(IcmpHelper, AKilledHelperFailsTheNextEchoesAndComesBack)
{
    IcmpHelperProcess::setRestartInterval(1500ms);
    ASSERT_EQ(runEcho({testnet::Fast}).replyCount, 1);
    const auto started = std::chrono::steady_clock::now();
    const pid_t first = EchoExchange::shared()->helperPid();
    ASSERT_GT(first, 0);
    ASSERT_EQ(kill(first, SIGKILL), 0);
    // Echoes sent while it is still dying go into its queue and time out.
    for (int waited = 0; waited < 1000 && !dead(first); waited += 5)
        QThread::msleep(5);
    ASSERT_TRUE(dead(first));

    const auto failed = runEchoes(std::vector<EchoInput>(3, EchoInput{testnet::Fast}));
    for (const auto& o : failed) {
        EXPECT_EQ(o.replyCount, 0);
        EXPECT_TRUE(o.errorNumber == 11050 || !o.constructionError.isEmpty())
            << o.errorNumber << " " << o.constructionError.toStdString();
        EXPECT_LT(o.elapsedMs, 500) << "a lost helper's echo must fail at once, not time out";
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(started + 1600ms - std::chrono::steady_clock::now());
    QThread::msleep(static_cast<unsigned long>(std::max<std::int64_t>(left.count(), 0)));
    const auto back = runEcho({testnet::Fast});
    EXPECT_EQ(back.replyCount, 1) << back.errorText.toStdString() << back.constructionError.toStdString();
    const auto exchange = EchoExchange::shared();
    ASSERT_TRUE(exchange);
    EXPECT_NE(exchange->helperPid(), first);
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
