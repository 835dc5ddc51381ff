#include "monitor/controls/WindowTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

void run(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(WindowTimer, SameIntervalDoesNotRestartTheCount)
{
    WindowTimer timer;
    timer.setInterval(100);
    QSignalSpy ticks(&timer, &WindowTimer::timeout);
    timer.setEnabled(true);
    for (int i = 0; i < 6; ++i) {
        run(30);
        timer.setInterval(100);
    }
    EXPECT_GE(ticks.count(), 1) << "re-setting 100 ms every 30 ms must not hold the tick back";
}

TEST(WindowTimer, NewIntervalRestartsTheCount)
{
    WindowTimer timer;
    timer.setInterval(100);
    QSignalSpy ticks(&timer, &WindowTimer::timeout);
    timer.setEnabled(true);
    for (int i = 0; i < 6; ++i) {
        run(30);
        timer.setInterval(i % 2 ? 100 : 101);
    }
    EXPECT_EQ(ticks.count(), 0);
}

TEST(WindowTimer, ZeroKeepsItEnabledAndSilent)
{
    WindowTimer timer;
    timer.setInterval(0);
    QSignalSpy ticks(&timer, &WindowTimer::timeout);
    timer.setEnabled(true);
    run(50);
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(ticks.count(), 0);
    timer.setInterval(-5);
    EXPECT_EQ(timer.interval(), 0);
}

}
