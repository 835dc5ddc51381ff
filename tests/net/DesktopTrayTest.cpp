#include "FakeStatusNotifierWatcher.h"
#include "ProgramRun.h"
#include "SessionBusDaemon.h"
#include "ShowInTrayKeys.h"
#include "TestNet.h"
#include "XvfbDisplay.h"

#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <ostream>
#include <string>

namespace {

enum class Colour { None, Green, Red };

Colour colourAtCentre(const QImage& icon)
{
    if (icon.isNull())
        return Colour::None;
    const QRgb p = icon.pixel(icon.width() / 2, icon.height() / 2);
    if (qRed(p) > 160 && qGreen(p) < 90 && qBlue(p) < 90)
        return Colour::Red;
    if (qGreen(p) > 120 && qRed(p) < 90 && qBlue(p) < 110)
        return Colour::Green;
    return Colour::None;
}

struct TrayCase {
    const char* name;
    QStringList hosts;
    QStringList settings;
    // Empty: no item may register.
    QString toolTip;
    Colour colour;
    // The panel's watcher comes this long after the program.
    int watcherLateMs = 0;
    // Once the item is on the panel the bus dies, another takes its place,
    // and Show in tray is ticked off and on.
    bool busComesBack = false;

    friend void PrintTo(const TrayCase& c, std::ostream* out) { *out << c.name; }
};

class TrayOnPanel : public testing::TestWithParam<TrayCase> {};

// The program on a display whose panel offers StatusNotifierItems: its item
// tells the worst state of the hosts in its icon and names the hosts down in
// its tool tip, by the notifications' rule even with notifications off; a
// panel that comes late, or on a bus that came back, gets it too.
TEST_P(TrayOnPanel, ShowsWhoIsDown)
{
    const TrayCase& c = GetParam();
    std::optional<SessionBusDaemon> ownBus;
    if (c.busComesBack)
        ownBus.emplace();
    ASSERT_TRUE(!ownBus || ownBus->failure().isEmpty()) << ownBus->failure().toStdString();
    const QString address = ownBus ? ownBus->address() : QString();
    std::optional<FakeStatusNotifierWatcher> watcher;
    if (c.watcherLateMs == 0)
        watcher.emplace(address);
    XvfbDisplay screen;
    ASSERT_TRUE(screen.failure().isEmpty()) << screen.failure().toStdString();
    ProgramRun program(c.hosts, QStringList{"interval=1", "notify=no", "notifyafter=1"} + c.settings);
    program.setEnvironment("QT_QPA_PLATFORM", {});
    program.setEnvironment("DISPLAY", screen.display());
    if (ownBus)
        program.setEnvironment("DBUS_SESSION_BUS_ADDRESS", address);
    program.start();
    QThread::msleep(static_cast<unsigned long>(c.watcherLateMs));
    if (!watcher)
        watcher.emplace(address);
    ASSERT_TRUE(watcher->failure().isEmpty()) << watcher->failure().toStdString();
    if (c.busComesBack) {
        ASSERT_TRUE(within(10000, [&] { return !watcher->items().isEmpty(); })) << "no item on the first bus";
        watcher.reset();
        ownBus->restart();
        ASSERT_TRUE(ownBus->failure().isEmpty()) << ownBus->failure().toStdString();
        watcher.emplace(address);
        ASSERT_TRUE(watcher->failure().isEmpty()) << watcher->failure().toStdString();
        tickShowInTray(program.pid(), screen.display());
        tickShowInTray(program.pid(), screen.display());
    }

    if (c.toolTip.isEmpty()) {
        EXPECT_FALSE(within(4000, [&] { return !watcher->items().isEmpty(); }));
    } else {
        ASSERT_TRUE(within(10000, [&] { return !watcher->items().isEmpty(); })) << "no item registered";
        const QString item = watcher->items().constFirst();
        EXPECT_TRUE(within(10000, [&] { return watcher->toolTip(item) == c.toolTip; }))
            << watcher->toolTip(item).toStdString();
        EXPECT_EQ(colourAtCentre(watcher->icon(item)), c.colour);
    }
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(
    DesktopTray, TrayOnPanel,
    testing::Values(TrayCase{"OneOfTwoDown",
                             {QString(testnet::FastName) + ";near", QString(testnet::Unrouted) + ";gone"},
                             {},
                             QString("1 of 2 hosts down: %1 (gone)").arg(testnet::Unrouted),
                             Colour::Red},
                    TrayCase{"AllAnswer", {testnet::FastName, testnet::Fast}, {}, "All 2 hosts answer", Colour::Green},
                    TrayCase{"TurnedOff", {testnet::FastName}, {"showtray=no"}, {}, Colour::None},
                    TrayCase{"WatcherComesLate",
                             {QString(testnet::FastName) + ";near", QString(testnet::Unrouted) + ";gone"},
                             {},
                             QString("1 of 2 hosts down: %1 (gone)").arg(testnet::Unrouted),
                             Colour::Red,
                             5000},
                    TrayCase{"BusDiesAndComesBack",
                             {QString(testnet::FastName) + ";near", QString(testnet::Unrouted) + ";gone"},
                             {},
                             QString("1 of 2 hosts down: %1 (gone)").arg(testnet::Unrouted),
                             Colour::Red,
                             0,
                             true}),
    [](const auto& info) { return std::string(info.param.name); });

}
