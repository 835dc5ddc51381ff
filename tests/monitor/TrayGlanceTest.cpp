#include "monitor/tray/TrayGlance.h"
#include "monitor/window/SignalColours.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Level = TrayGlance::Level;

// A host as the window hands it over: down by the down watch, above by
// whatever colour its graph shows, as the window reads it from its slots.
struct Shown {
    const char* host;
    const char* description;
    bool down;
    Signal::Level signal;
};

struct GlanceRow {
    const char* name;
    bool polling;
    std::vector<Shown> hosts;
    Level level;
    const char* toolTip;
};

TEST(TrayGlance, WorstHostSetsTheLevelAndTheToolTipNamesIt)
{
    using enum Signal::Level;
    const GlanceRow rows[] = {
        {"NoHost", true, {}, Level::Idle, "No host to poll"},
        {"StoppedHidesADownHost", false, {{"a", "", true, Normal}, {"b", "", false, AverageAbove}}, Level::Idle,
         "Stopped: 2 hosts"},
        {"OneAnswers", true, {{"a", "Gateway", false, Normal}}, Level::Answering, "The host answers"},
        {"AllAnswer", true, {{"a", "", false, Normal}, {"b", "", false, Normal}}, Level::Answering,
         "All 2 hosts answer"},
        {"ALostEchoIsNotAbove", true, {{"a", "", false, Failed}, {"b", "", false, Normal}}, Level::Answering,
         "All 2 hosts answer"},
        {"YellowIsAbove", true, {{"a", "", false, Normal}, {"b", "", false, LastAbove}}, Level::AboveThreshold,
         "All 2 hosts answer; 1 above its threshold: b"},
        {"OrangeIsAbove", true, {{"a", "Gateway", false, AverageAbove}}, Level::AboveThreshold,
         "The host answers; 1 above its threshold: a (Gateway)"},
        {"BothAboveNamedInOrder", true,
         {{"a", "", false, AverageAbove}, {"b", "", false, Normal}, {"c", "Router", false, LastAbove}},
         Level::AboveThreshold, "All 3 hosts answer; 2 above their threshold: a, c (Router)"},
        {"DownWinsOverAbove", true, {{"a", "", false, AverageAbove}, {"b", "Gateway", true, Normal}}, Level::Down,
         "1 of 2 hosts down: b (Gateway)"},
        {"OnlyTheDownAreNamed", true,
         {{"a", "Gateway", true, Failed}, {"b", "", false, LastAbove}, {"c", "", true, Failed}}, Level::Down,
         "2 of 3 hosts down: a (Gateway), c"},
        {"TheOnlyHostDown", true, {{"a", "", true, Failed}}, Level::Down, "1 of 1 host down: a"},
    };
    for (const GlanceRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<TrayGlance::Host> hosts;
        for (const Shown& h : row.hosts)
            hosts.push_back({h.host, h.description, h.down, Signal::isAbove(h.signal)});
        const TrayGlance glance = TrayGlance::of(row.polling, hosts);
        EXPECT_EQ(glance.level, row.level);
        EXPECT_EQ(glance.toolTip.toStdString(), row.toolTip);
    }
}

}
