#include "EchoRun.h"
#include "TestNet.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"
#include "ping/socket/EchoExchange.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Workers wait for silent hosts with a 5 s time-out while the event loop
// quits: the release at shutdown must end them at once, and no callback may
// reach code that is gone.
TEST(QuitUnderLoad, ReleasingWorkersInFlightNeitherHangsNorCrashes)
{
    for (int round = 0; round < 30; ++round) {
        // Every other round on a helper of its own, well within the helper's
        // hundred echoes a second.
        setPingSocketsAllowed(round % 2 == 0);
        EchoExchange::forget();
        int callbacks = 0;
        std::vector<QPointer<TPingThread>> workers;
        for (int i = 0; i < 10; ++i) {
            auto* worker = new TPingThread;
            RegisterWorker(worker);
            worker->HostText = i % 3 ? testnet::Silent : testnet::Delayed200;
            worker->TimeOut = 5000;
            worker->OnTerminate = [&](QObject*) { ++callbacks; };
            worker->Resume();
            workers.emplace_back(worker);
        }
        QEventLoop loop;
        QTimer::singleShot(round * 7 % 50, &loop, &QEventLoop::quit);
        loop.exec();

        QElapsedTimer timer;
        timer.start();
        ReleaseAllWorkers();
        EXPECT_LT(timer.elapsed(), 500) << "round " << round;
        for (const auto& w : workers)
            EXPECT_TRUE(w.isNull()) << "round " << round;
        QCoreApplication::processEvents();
        EXPECT_EQ(callbacks, 0) << "round " << round;
    }
    setPingSocketsAllowed(false);
    // A helper still starting would send the last round's requests later,
    // into the next test's count.
    EchoExchange::forget();
}

}
