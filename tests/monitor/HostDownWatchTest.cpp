#include "monitor/alerts/HostDownWatch.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

namespace {

// A script of what the window does, one step per ';', each "MS WHAT ARGS":
//   tick a b     one echo per host, in slot order; echoes are named by host
//                and number (a0, a1, ...)
//   ok a3 [RTT]  echo a3 answered     lost a3  echo a3 timed out
//   reset a      a slot of a reset    reset    every graph reset
//   change a c   a slot's host a became c
//   wall MS      the wall clock is stepped by MS; the monotonic one is not
// Notices are taken as the window's timer takes them.
struct Sequence {
    const char* test;
    int threshold;
    const char* script;
    QStringList notices;

    friend void PrintTo(const Sequence& c, std::ostream* out) { *out << c.test; }
};

const QMap<QString, QString> Descriptions{{"b", "Router"}};
const QDateTime Base(QDate(2024, 5, 6), QTime(12, 0, 0));

QString shown(const HostStateNotice& n)
{
    return (n.replaces ? QString("(replaces %1) ").arg(n.replaces) : QString()) + (n.down ? "critical: " : "normal: ")
        + n.summary + " / " + QString(n.body).replace('\n', " | ");
}

QStringList run(const Sequence& c)
{
    HostDownWatch watch;
    watch.setThreshold(c.threshold);
    QMap<QString, SentEcho> echoes;
    QMap<QString, int> sent;
    QStringList notices;
    qint64 wallStep = 0;
    for (const QString& step : QString(c.script).split(';')) {
        const QStringList word = step.split(' ', Qt::SkipEmptyParts);
        const Moment now{Base.addMSecs(word[0].toInt() + wallStep), word[0].toInt()};
        while (const auto notice = watch.takeDue(now))
            notices << shown(*notice);
        const QString& what = word[1];
        const QString echo = word.value(2);
        const QString host = echo.section(QRegularExpression("\\d"), 0, 0);
        if (what == "tick") {
            for (const QString& h : word.mid(2))
                echoes[h + QString::number(sent[h]++)] = SentEcho::next(now);
        } else if (what == "ok") {
            watch.answered(host, Descriptions.value(host), echoes.value(echo), word.value(3, "5").toUInt(), now);
        } else if (what == "lost") {
            watch.lost(host, Descriptions.value(host), echoes.value(echo), "Request timed out", now);
        } else if (what == "wall") {
            wallStep += echo.toLongLong();
        } else if (what == "reset" && word.size() == 2) {
            watch.restart();
        } else {
            for (const QString& h : word.mid(2))
                watch.restart(h);
        }
    }
    while (const auto notice = watch.takeAll())
        notices << shown(*notice);
    return notices;
}

class HostDownSequence : public testing::TestWithParam<Sequence> {};

TEST_P(HostDownSequence, GivesTheseNotices)
{
    EXPECT_EQ(run(GetParam()), GetParam().notices) << GetParam().script;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, HostDownSequence,
    testing::Values(
        Sequence{"DownAfterThresholdUpAtFirstReply", 3,
                 "0 tick a; 1000 tick a; 2000 tick a; 3000 tick a; 5000 lost a0; 6000 lost a1; 7000 lost a2;"
                 "8500 ok a3 7; 20000 tick a",
                 {"critical: a is down / 3 echoes lost since 12:00:00 | Request timed out",
                  "(replaces 1) normal: a is up again / Answered in 7 ms after 8 s down"}},
        Sequence{"TooFewLostStaysUp", 3, "0 tick a; 1000 tick a; 2000 tick a; 5000 lost a0; 6000 lost a1; 7000 ok a2",
                 {}},
        // The echoes sent while the host was silent time out after it has
        // answered again: they were sent before that reply.
        Sequence{"LateTimeOutsAfterRecovery", 2,
                 "0 tick a; 1000 tick a; 2000 tick a; 3000 tick a; 4000 tick a; 5000 tick a; 6000 tick a;"
                 "5000 lost a0; 6000 lost a1; 7000 tick a; 7000 lost a2; 7001 ok a7 1; 8000 lost a3; 9000 lost a4;"
                 "10000 lost a5; 11000 lost a6; 30000 tick a",
                 {"critical: a is down / 2 echoes lost since 12:00:00 | Request timed out",
                  "(replaces 1) normal: a is up again / Answered in 1 ms after 7 s down"}},
        // An answer to an echo sent before the losses does not end them.
        Sequence{"LateReplyOfAnEarlierEchoKeepsItDown", 2,
                 "0 tick a; 1000 tick a; 2000 tick a; 1500 lost a1; 2500 lost a2; 3000 ok a0 2900",
                 {"critical: a is down / 2 echoes lost since 12:00:01 | Request timed out"}},
        // Slot 1's echoes are lost, slot 2's answered: never three in a row
        // until both are lost.
        Sequence{"TwoSlotsOneHost", 3,
                 "0 tick a a; 1000 tick a a; 2000 tick a a; 3000 tick a a; 4000 tick a a; 100 ok a1; 1100 ok a3;"
                 "2100 ok a5; 5000 lost a0; 6000 lost a2; 7000 lost a4; 8000 lost a6; 8000 lost a7; 9000 lost a8",
                 {"critical: a is down / 3 echoes lost since 12:00:03 | Request timed out"}},
        Sequence{"SeveralHostsAtOnce", 1,
                 "0 tick a b c; 5000 lost a0; 5001 lost b0; 5002 lost c0; 6000 tick a b c; 6001 ok a1; 6002 ok b1;"
                 "6003 ok c1 12",
                 {"critical: 3 hosts are down / a is down: 1 echo lost since 12:00:00, Request timed out"
                  " | b (Router) is down: 1 echo lost since 12:00:00, Request timed out"
                  " | c is down: 1 echo lost since 12:00:00, Request timed out",
                  "(replaces 1) normal: 3 hosts are up again / a is up again: answered in 5 ms after 6 s down"
                  " | b (Router) is up again: answered in 5 ms after 6 s down"
                  " | c is up again: answered in 12 ms after 6 s down"}},
        // A notice that still tells of a down host is not replaced.
        Sequence{"UpOfOneOfTwoDownHosts", 1,
                 "0 tick a b; 5000 lost a0; 5001 lost b0; 6000 tick a b; 6001 ok a1; 130000 tick b; 130001 ok b1",
                 {"critical: 2 hosts are down / a is down: 1 echo lost since 12:00:00, Request timed out"
                  " | b (Router) is down: 1 echo lost since 12:00:00, Request timed out",
                  "normal: a is up again / Answered in 5 ms after 6 s down",
                  "(replaces 1) normal: b (Router) is up again / Answered in 5 ms after 2 min 10 s down"}},
        Sequence{"DownAndUpWithinOneSecond", 1, "0 tick a; 1000 tick a; 1000 lost a0; 1500 ok a1",
                 {"critical: 1 host is down, 1 host is up again / a is down: 1 echo lost since 12:00:00, "
                  "Request timed out | a is up again: answered in 5 ms after 1 s down"}},
        // Echoes sent before a reset count for nothing, and a host down
        // before it is not told up after it.
        Sequence{"SlotReset", 2, "0 tick a; 1000 tick a; 5000 lost a0; 5500 reset a; 6000 lost a1; 6000 tick a;"
                                 "11000 lost a2; 12000 tick a; 13000 ok a3",
                 {}},
        Sequence{"ResetAllForgetsADownHost", 1,
                 "0 tick b; 5000 lost b0; 6500 reset; 7000 tick b; 7001 ok b1; 8000 tick b; 13000 lost b2",
                 {"critical: b (Router) is down / 1 echo lost since 12:00:00 | Request timed out",
                  "critical: b (Router) is down / 1 echo lost since 12:00:08 | Request timed out"}},
        // A step back of the wall clock during the gathering second
        // neither holds the notice back nor shortens "down for".
        Sequence{"WallClockStepsBack", 1, "0 tick a; 5000 lost a0; 5100 wall -3600000; 6100 tick a; 6200 ok a1",
                 {"critical: a is down / 1 echo lost since 12:00:00 | Request timed out",
                  "(replaces 1) normal: a is up again / Answered in 5 ms after 6 s down"}},
        Sequence{"MarkupStaysOutOfTheSummary", 1, "0 tick <i>&; 5000 lost <i>&0",
                 {"critical: 1 host is down / <i>& is down: 1 echo lost since 12:00:00, Request timed out"}},
        Sequence{"ChangeOfHost", 2, "0 tick a; 1000 tick a; 5000 lost a0; 5500 change a c; 6000 lost a1; 6000 tick c;"
                                    "7000 tick c; 11000 lost c0; 12000 ok c1",
                 {}}));

}
