#include "FakeEchoService.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class WorkerRegistryTest : public testing::Test {
protected:
    void TearDown() override { WorkerRegistry::releaseAllWorkers(); }
};

TEST_F(WorkerRegistryTest, ReleasingOutsideTheListChangesNothing)
{
    TPingThread a;
    TPingThread b;
    RegisterWorker(&a);
    RegisterWorker(&b);
    ReleaseWorker(0);
    ReleaseWorker(3);
    ReleaseWorker(-1);
    EXPECT_EQ(WorkerRegistry::length(), 2);
    EXPECT_EQ(WorkerRegistry::entry(1), &a);
    EXPECT_EQ(WorkerRegistry::entry(2), &b);
}

TEST_F(WorkerRegistryTest, ReleasingTheLastLiveEntryEmptiesTheList)
{
    TPingThread a;
    TPingThread b;
    RegisterWorker(&a);
    RegisterWorker(&b);
    ReleaseWorker(1);
    EXPECT_EQ(WorkerRegistry::length(), 2);
    EXPECT_EQ(WorkerRegistry::entry(1), nullptr);
    ReleaseWorker(1);
    EXPECT_EQ(WorkerRegistry::length(), 2);
    ReleaseWorker(2);
    EXPECT_EQ(WorkerRegistry::length(), 0);
}

TEST_F(WorkerRegistryTest, EndedWorkersLeaveNoEntryBehind)
{
    FakeEchoService service;
    QEventLoop loop;
    int destroyed = 0;
    for (int i = 0; i < 30; ++i) {
        auto* worker = new TPingThread;
        worker->HostText = "10.0.0.1";
        worker->OnTerminate = [](QObject*) {};
        QObject::connect(worker, &QObject::destroyed, [&] {
            if (++destroyed == 30)
                loop.quit();
        });
        RegisterWorker(worker);
        worker->Resume();
    }
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(destroyed, 30);
    EXPECT_EQ(WorkerRegistry::length(), 0);
}

// Quitting the event loop while echoes wait for silent hosts: releasing all
// workers must end them promptly, run no callback any more, and free them.
TEST_F(WorkerRegistryTest, QuittingWithEchoesInFlightNeitherHangsNorLeaks)
{
    FakeEchoService service(FakeEchoService::Fail::Nothing, FakeEchoService::Answer::WaitForStop);
    for (int round = 0; round < 40; ++round) {
        int callbacks = 0;
        std::vector<QPointer<TPingThread>> workers;
        for (int i = 0; i < 10; ++i) {
            auto* worker = new TPingThread;
            worker->HostText = "10.0.0.1";
            worker->TimeOut = 5000;
            worker->OnTerminate = [&](QObject*) { ++callbacks; };
            RegisterWorker(worker);
            worker->Resume();
            workers.emplace_back(worker);
        }
        QEventLoop loop;
        QTimer::singleShot(round % 4, &loop, &QEventLoop::quit);
        loop.exec();

        QElapsedTimer timer;
        timer.start();
        ReleaseAllWorkers();
        EXPECT_LT(timer.elapsed(), 1000) << "round " << round;
        EXPECT_EQ(WorkerRegistry::length(), 0);
        for (const auto& w : workers)
            EXPECT_TRUE(w.isNull()) << "round " << round;
        QCoreApplication::processEvents();
        EXPECT_EQ(callbacks, 0);
    }
    EXPECT_EQ(service.balance(), 0);
}

}
