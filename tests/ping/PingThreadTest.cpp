#include "FakeEchoService.h"
#include "QtTestMain.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

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
