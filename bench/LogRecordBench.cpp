#include "monitor/files/LocalClock.h"
#include "monitor/files/LogFile.h"
#include "monitor/files/LogFormat.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// One reply's record on its way into the log file as the window writes it:
// stamped by the clock, formatted, appended; the file's name is checked
// again once per ten records, as once per tick of ten hosts.
void BM_LogRecord(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = LogFile::pathFor(folder.path(), "20261206_230125");
    LogFile file;
    std::uint32_t rtt = 0;
    for (auto _ : state) {
        file.write(path, LogFormat::replyRecord("192.168.100.200", 56, rtt++ % 90, LocalClock::current()));
        if (rtt % 10 == 0)
            file.recheck();
    }
}
BENCHMARK(BM_LogRecord)->Unit(benchmark::kMicrosecond);

}
