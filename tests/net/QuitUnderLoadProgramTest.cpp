#include "ProgramRun.h"
#include "QuitLoad.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The real program, polling ten silent hosts every second, is ended by a
// signal while about fifty echoes wait for their time-out: it must be gone
// within a second, with status 0 (a crash, a hang on a worker or a
// sanitizer's report all fail here).
class QuitUnderLoadProgram : public testing::TestWithParam<int> {};

TEST_P(QuitUnderLoadProgram, EndsWithinASecondWithStatusZero)
{
    const int signal = GetParam();
    qint64 slowest = 0;
    std::size_t fewestInFlight = SIZE_MAX;
    for (int round = 0; round < quitload::rounds(); ++round) {
        const std::size_t before = quitload::requestsToSilentHosts();
        ProgramRun program(quitload::silentHostLines(), {"interval=1"});
        program.start();
        QElapsedTimer clock;
        clock.start();
        std::size_t sent = 0;
        while ((sent = quitload::requestsToSilentHosts() - before) < quitload::InFlightWanted
               && clock.elapsed() < 20000)
            QThread::msleep(20);
        ASSERT_GE(sent, quitload::InFlightWanted) << "round " << round;
        fewestInFlight = std::min(fewestInFlight, sent);

        QElapsedTimer quitting;
        quitting.start();
        EXPECT_EQ(program.stop(signal, 1000), 0) << "round " << round;
        slowest = std::max(slowest, quitting.elapsed());
    }
    std::printf("[ figures  ] %s: %d rounds, >= %zu echoes in flight, slowest end %lld ms\n", strsignal(signal),
                quitload::rounds(), fewestInFlight, static_cast<long long>(slowest));
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitUnderLoadProgram, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}
