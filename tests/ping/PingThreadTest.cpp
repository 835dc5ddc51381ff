#include "FakeEchoService.h"
#include "QtTestMain.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// What the callback saw, copied while the worker waited for it.
struct Seen {
    bool called = false;
    bool onCreatingThread = false;
    bool workerStillRunning = false;
    QString hostText, hostIP, replyAddress, replyHostName, errorText, constructionError;
    std::int32_t replyCount = -1;
    std::uint32_t errorNumber = 99, roundTripTime = 0, replyStatus = 0;
    std::uint16_t replyDataSize = 0;
};

Seen runOne(TPingThread* worker)
{
    Seen seen;
    QEventLoop loop;
    bool destroyed = false;
    QObject::connect(worker, &QObject::destroyed, [&] {
        destroyed = true;
        loop.quit();
    });
    worker->OnTerminate = [&](QObject* sender) {
        auto* w = qobject_cast<TPingThread*>(sender);
        seen.called = w != nullptr;
        seen.onCreatingThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        seen.workerStillRunning = w->isRunning();
        seen.hostText = w->HostText;
        seen.hostIP = w->HostIP;
        seen.replyAddress = w->ReplyAddress;
        seen.replyHostName = w->ReplyHostName;
        seen.errorText = w->ErrorText;
        seen.constructionError = w->ConstructionError;
        seen.replyCount = w->ReplyCount;
        seen.errorNumber = w->ErrorNumber;
        seen.roundTripTime = w->RoundTripTime;
        seen.replyStatus = w->ReplyStatus;
        seen.replyDataSize = w->ReplyDataSize;
    };
    RegisterWorker(worker);
    worker->Resume();
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(destroyed) << "the worker did not delete itself";
    return seen;
}

TEST(PingThread, ZeroInputsKeepTheClientDefaults)
{
    FakeEchoService service;
    auto* worker = new TPingThread;
    worker->HostText = "10.0.0.1";
    const Seen seen = runOne(worker);
    const auto sent = service.echoes().at(0);
    EXPECT_EQ(sent.request.size(), 56u);
    EXPECT_EQ(sent.timeoutMs, 4000u);
    EXPECT_EQ(sent.options.Ttl, 64);
    EXPECT_TRUE(seen.called);
    EXPECT_TRUE(seen.onCreatingThread);
    EXPECT_TRUE(seen.workerStillRunning);
}

TEST(PingThread, ReplyFillsTheOutcomeAndLeavesErrorEmpty)
{
    FakeEchoService service;
    service.replyStatus = 11002;
    service.replyAddress = 0x0100000A;
    auto* worker = new TPingThread;
    worker->HostText = " \t10.0.0.7\r\n ";
    worker->PayloadSize = 32;
    worker->TimeOut = 5000;
    worker->Ttl = 32;
    const Seen seen = runOne(worker);
    EXPECT_EQ(service.echoes().at(0).destination, 0x0700000Au);
    EXPECT_EQ(seen.hostText, " \t10.0.0.7\r\n ");
    EXPECT_EQ(seen.hostIP, "10.0.0.7");
    EXPECT_EQ(seen.replyCount, 1);
    EXPECT_EQ(seen.replyAddress, "10.0.0.1");
    EXPECT_EQ(seen.replyHostName, "10.0.0.1");
    EXPECT_EQ(seen.replyStatus, 11002u);
    EXPECT_EQ(seen.roundTripTime, 12u);
    EXPECT_EQ(seen.replyDataSize, 32);
    EXPECT_EQ(seen.errorNumber, 0u);
    EXPECT_TRUE(seen.errorText.isEmpty());
}

TEST(PingThread, FailureLeavesReplyFieldsEmpty)
{
    FakeEchoService service(FakeEchoService::Fail::Nothing, FakeEchoService::Answer::Silence);
    auto* worker = new TPingThread;
    worker->HostText = "10.0.0.1";
    const Seen seen = runOne(worker);
    EXPECT_EQ(seen.replyCount, 0);
    EXPECT_EQ(seen.errorNumber, 11010u);
    EXPECT_EQ(seen.errorText, "Request timed out");
    EXPECT_EQ(seen.hostIP, "10.0.0.1");
    EXPECT_TRUE(seen.replyAddress.isEmpty());
    EXPECT_TRUE(seen.replyHostName.isEmpty());
    EXPECT_EQ(seen.roundTripTime, 0u);
}

TEST(PingThread, ClientThatCannotBeBuiltStillHandsOverAnEmptyOutcome)
{
    FakeEchoService service(FakeEchoService::Fail::Handle);
    auto* worker = new TPingThread;
    worker->HostText = "10.0.0.1";
    const Seen seen = runOne(worker);
    EXPECT_TRUE(seen.called);
    EXPECT_EQ(seen.replyCount, 0);
    EXPECT_EQ(seen.errorNumber, 0u);
    EXPECT_TRUE(seen.errorText.isEmpty());
    EXPECT_TRUE(seen.hostIP.isEmpty());
    EXPECT_EQ(seen.constructionError, "Unable to get ping handle");
    EXPECT_EQ(service.balance(), 0);
}

TEST(PingThread, CallbackThatRaisesStillLetsTheWorkerGo)
{
    FakeEchoService service;
    auto* worker = new TPingThread;
    worker->HostText = "10.0.0.1";
    QEventLoop loop;
    bool destroyed = false;
    QObject::connect(worker, &QObject::destroyed, [&] {
        destroyed = true;
        loop.quit();
    });
    worker->OnTerminate = [](QObject*) { throw std::runtime_error("handler failed"); };
    const int caughtBefore = CatchingApplication::caught;
    RegisterWorker(worker);
    worker->Resume();
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(CatchingApplication::caught, caughtBefore + 1);
    EXPECT_TRUE(destroyed);
}

}

namespace {

// Outcomes ready together go over in one call of the event loop. Each must
// still reach its callback once, in the order the echoes ended, every
// worker must be let go, and a callback that runs an event loop of its own
// (a message box) must not hold the others back.
struct HandOverCase {
    const char* name;
    int workers;
    // The callback (1-based) that raises, or runs a nested loop; 0: none.
    int raising;
    int nesting;
};

void PrintTo(const HandOverCase& c, std::ostream* out)
{
    *out << c.name;
}

class PingThreadHandOverTest : public testing::TestWithParam<HandOverCase> {};

TEST_P(PingThreadHandOverTest, EveryOutcomeGoesOverOnceInOrder)
{
    const HandOverCase& c = GetParam();
    FakeEchoService service;
    std::vector<int> called;
    int destroyed = 0;
    bool lastSeenWhileNested = false;
    bool nested = false;
    QEventLoop loop;
    for (int n = 1; n <= c.workers; ++n) {
        auto* worker = new TPingThread;
        worker->HostText = QStringLiteral("10.0.0.%1").arg(n);
        QObject::connect(worker, &QObject::destroyed, [&] {
            if (++destroyed == c.workers)
                loop.quit();
        });
        worker->OnTerminate = [&, n](QObject*) {
            called.push_back(n);
            if (n == c.workers && nested)
                lastSeenWhileNested = true;
            if (n == c.raising)
                throw std::runtime_error("handler failed");
            if (n == c.nesting) {
                nested = true;
                QEventLoop inner;
                QTimer::singleShot(2000, &inner, &QEventLoop::quit);
                QTimer poll;
                QObject::connect(&poll, &QTimer::timeout, [&] {
                    if (int(called.size()) == c.workers)
                        inner.quit();
                });
                poll.start(5);
                inner.exec();
                nested = false;
            }
        };
        RegisterWorker(worker);
        worker->Resume();
    }
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();

    std::vector<int> expected(size_t(c.workers));
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(called, expected);
    EXPECT_EQ(destroyed, c.workers);
    if (c.nesting > 0 && c.nesting < c.workers) {
        EXPECT_TRUE(lastSeenWhileNested) << "the others waited for the nested loop to end";
    }
}

INSTANTIATE_TEST_SUITE_P(Batches, PingThreadHandOverTest,
    testing::Values(
        HandOverCase{"One", 1, 0, 0},
        HandOverCase{"TenTogether", 10, 0, 0},
        HandOverCase{"ARaisingCallbackInTheMiddle", 10, 4, 0},
        HandOverCase{"ANestedLoopInTheMiddle", 10, 0, 3},
        HandOverCase{"ANestedLoopInTheLast", 10, 0, 10}),
    [](const testing::TestParamInfo<HandOverCase>& info) { return std::string(info.param.name); });

} // namespace
