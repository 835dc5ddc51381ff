#include "QuitLoad.h"

#include "monitor/window/Unit1.h"
#include "ping/WorkerRegistry.h"
#include "tests/monitor/FakeDialogs.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>

namespace {

struct QuitWay {
    const char* name;
    std::function<void(TForm1&)> quit;

    friend void PrintTo(const QuitWay& way, std::ostream* out) { *out << way.name; }
};

int liveWorkers()
{
    int live = 0;
    for (int i = 1; i <= WorkerRegistry::length(); ++i)
        live += WorkerRegistry::entry(i) != nullptr;
    return live;
}

// The window with the real echo engine, polling ten silent hosts every
// second, is told to quit from inside while about fifty workers wait on
// the network: the event loop must end within a second with status 0, and
// releasing the workers afterwards must neither hang nor let an outcome
// reach the window that is gone.
class QuitUnderLoadWindow : public testing::TestWithParam<QuitWay> {
protected:
    std::unique_ptr<TForm1> startWindow()
    {
        const QString config = m_world.filePath("config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
        QSettings("Halvetor", "Quorvane").setValue("interval", "1");
        QFile hosts(m_world.filePath("hosts.txt"));
        EXPECT_TRUE(hosts.open(QIODevice::WriteOnly));
        hosts.write(quitload::silentHostLines().join("\r\n").toUtf8());
        hosts.close();
        TForm1::Options options;
        options.arguments = QStringList{hosts.fileName()};
        options.logicalDpi = 96;
        options.programFolder = m_world.path();
        return std::make_unique<TForm1>(options);
    }

    QTemporaryDir m_world;
};

TEST_P(QuitUnderLoadWindow, LoopEndsWithinASecondAndWorkersAreReleased)
{
    qint64 slowestEnd = 0;
    qint64 slowestRelease = 0;
    int fewestInFlight = std::numeric_limits<int>::max();
    for (int round = 0; round < quitload::rounds(); ++round) {
        FakeDialogs dialogs;
        auto form = startWindow();
        ASSERT_TRUE(form->startupCompleted()) << dialogs.errors.join('\n').toStdString();
        form->show();

        QElapsedTimer loaded;
        loaded.start();
        QElapsedTimer quitting;
        int inFlight = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            inFlight = liveWorkers();
            if (inFlight < quitload::InFlightWanted && loaded.elapsed() < 20000)
                return;
            watch.stop();
            quitting.start();
            GetParam().quit(*form);
        });
        watch.start(20);
        const int status = QApplication::exec();
        const qint64 ended = quitting.elapsed();

        EXPECT_EQ(status, 0) << "round " << round;
        ASSERT_GE(inFlight, quitload::InFlightWanted) << "round " << round;
        EXPECT_LE(ended, 1000) << "round " << round;

        // In the program's order: the workers still waiting are released
        // while the window stands, then the window goes; no outcome may
        // reach it afterwards.
        QElapsedTimer releasing;
        releasing.start();
        ReleaseAllWorkers();
        const qint64 released = releasing.elapsed();
        EXPECT_LE(released, 1000) << "round " << round;
        EXPECT_EQ(WorkerRegistry::length(), 0) << "round " << round;
        form.reset();
        QApplication::sendPostedEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();

        slowestEnd = std::max(slowestEnd, ended);
        slowestRelease = std::max(slowestRelease, released);
        fewestInFlight = std::min(fewestInFlight, inFlight);
    }
    std::printf("[ figures  ] %s: %d rounds, >= %d echoes in flight, slowest end %lld ms, slowest release %lld ms\n",
                GetParam().name, quitload::rounds(), fewestInFlight, static_cast<long long>(slowestEnd),
                static_cast<long long>(slowestRelease));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, QuitUnderLoadWindow,
    testing::Values(QuitWay{"QuitButton", [](TForm1& form) { form.findChild<QPushButton*>("Button1")->click(); }},
                    QuitWay{"ExitMenuItem", [](TForm1& form) { form.findChild<QAction*>("Exit1")->trigger(); }},
                    QuitWay{"ClosingTheWindow", [](TForm1& form) { form.close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

}
