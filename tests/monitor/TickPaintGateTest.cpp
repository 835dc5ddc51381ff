#include "monitor/window/TickPaintGate.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

class CountedPaints : public QWidget {
public:
    using QWidget::QWidget;
    int passes = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++passes; }
};

struct GateCase {
    const char* name;
    int boundMs;
    int echoes;
    // u: a control asks for a paint; e: an echo of this tick ends; o: one of
    // the tick before ends; n: a new tick of two echoes starts; w: 40 ms of
    // the event loop; 0: no paint pass has run yet.
    const char* script;
    int passes;
};

void PrintTo(const GateCase& c, std::ostream* out)
{
    *out << c.name << " [" << c.script << "]";
}

class TickPaintGateTest : public testing::TestWithParam<GateCase> {};

TEST_P(TickPaintGateTest, PaintsATicksRepliesInOnePass)
{
    const GateCase& c = GetParam();
    QWidget window;
    window.resize(200, 100);
    auto* control = new CountedPaints(&window);
    control->setGeometry(10, 10, 50, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    TickPaintGate gate(&window, c.boundMs);
    control->passes = 0;

    std::uint64_t previous = 0;
    std::uint64_t tick = gate.tickStarted(c.echoes);
    for (const char* step = c.script; *step; ++step) {
        switch (*step) {
        case 'u': control->update(); break;
        case 'e': gate.echoEnded(tick); break;
        case 'o': gate.echoEnded(previous); break;
        case 'n': previous = tick; tick = gate.tickStarted(2); break;
        case 'w': QTest::qWait(40); break;
        case '0': ASSERT_EQ(control->passes, 0) << "at step " << step - c.script; break;
        default: FAIL() << "unknown step " << *step;
        }
        QCoreApplication::processEvents();
    }
    QTest::qWait(300);
    EXPECT_EQ(control->passes, c.passes);
}

INSTANTIATE_TEST_SUITE_P(Ticks, TickPaintGateTest,
    testing::Values(
        GateCase{"AllAnswerAtOnce", 10000, 3, "ueueu0e", 1},
        GateCase{"SlowRepliesJoinTheFastOnes", 10000, 3, "ueue0w0wu0e", 1},
        GateCase{"AnEchoThatNeverEndsHoldsOnlyToTheBound", 60, 3, "ueue", 1},
        GateCase{"EchoesOfTheTickBeforeDoNotRelease", 10000, 2, "enoo0ue0e", 1},
        GateCase{"ANewTickPaintsWhatTheLastOneHeld", 10000, 2, "ue0n", 1},
        GateCase{"ATickWithoutEchoesHoldsNothing", 10000, 0, "uw", 1},
        GateCase{"NothingToPaintPaintsNothing", 10000, 2, "ee", 0},
        GateCase{"LaterRequestsArePaintedAsTheyCome", 10000, 1, "uewuw", 2}),
    [](const testing::TestParamInfo<GateCase>& info) { return std::string(info.param.name); });

} // namespace
