#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

namespace {

// Ten echoes to this machine's own address, started together the way a
// tick of the window starts them, on the real engine: the one shared
// socket, its notifier on this thread's event loop, the posted hand-over.
// Process CPU time per echo is the figure to watch; loopback
// answers at once, so nearly all of it is our own cost.
void BM_EchoTickOnLoopback(benchmark::State& state)
{
    constexpr int EchoesPerTick = 10;
    int failed = 0;
    for (auto _ : state) {
        int pending = EchoesPerTick;
        QEventLoop loop;
        for (int i = 0; i < EchoesPerTick; ++i) {
            auto* worker = new TPingThread;
            RegisterWorker(worker);
            worker->HostText = "127.0.0.1";
            worker->PayloadSize = 32;
            worker->TimeOut = 5000;
            worker->Ttl = 32;
            worker->OnTerminate = [&](QObject* sender) {
                if (qobject_cast<TPingThread*>(sender)->ReplyCount == 0)
                    ++failed;
                if (--pending == 0)
                    loop.quit();
            };
            worker->Resume();
        }
        loop.exec();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (failed != 0)
        state.SkipWithError("echoes to 127.0.0.1 failed: no ICMP permission?");
    state.SetItemsProcessed(state.iterations() * EchoesPerTick);
}

}

BENCHMARK(BM_EchoTickOnLoopback)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
