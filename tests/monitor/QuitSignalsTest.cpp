#include "monitor/app/QuitSignals.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>

namespace {

// A loop that never comes back to read the request: the program still
// ends by the signal, after the grace and not long after it.
class QuitSignalsWithStuckLoop : public testing::TestWithParam<int> {};

TEST_P(QuitSignalsWithStuckLoop, EndsByTheSignalAfterTheGrace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int signal = GetParam();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EXIT(
        {
            QuitSignals quitSignals;
            raise(signal);
            for (int i = 0; i < 30; ++i)
                usleep(500 * 1000);
            _exit(0);
        },
        testing::KilledBySignal(signal), "");
    // The child starts a whole test program before it raises, slowly
    // under a sanitizer; its loop would have gone on for 15 s.
    EXPECT_GE(clock.elapsed(), QuitSignals::QuitGraceMs);
    EXPECT_LT(clock.elapsed(), QuitSignals::QuitGraceMs + 6000);
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignalsWithStuckLoop, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}
