#include "WindowFixture.h"

#include "ping/PingThrd.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

#include <string>
#include <vector>

namespace {

// What happens to the slot before the mouse rests on its graph.
enum class Step { Reply10, Reply16, Reply4, ForeignReply, ErrorReport, TimeOut, Unreachable, Reset, ResetAll,
                  NewDescription, EmptyHost, Start, NotSent };

struct ToolTipCase {
    const char* name;
    int slot;
    std::vector<Step> steps;
    QString shown;  // the tooltip as plain text, up to the last times; empty: none
};

// Slots 1 to 3 hold h1 to h3, the others are empty.
class StatisticsToolTipShown : public WindowFixture, public testing::WithParamInterface<ToolTipCase> {
protected:
    void SetUp() override
    {
        writeFile("hosts.txt", "h1;slot 1;50\nh2;slot 2;50\nh3;slot 3;50\n");
        start().show();
    }

    // Rests the mouse on the slot's graph; what the tooltip then shows.
    QString restMouse(int slot)
    {
        auto* image = control<QWidget>(Slots[slot - 1].image);
        QHelpEvent help(QEvent::ToolTip, {150, 50}, image->mapToGlobal(QPoint(150, 50)));
        QApplication::sendEvent(image, &help);
        return help.isAccepted() && QToolTip::isVisible() ? shownText() : QString();
    }

    static QString shownText()
    {
        QTextDocument document;
        document.setHtml(QToolTip::text());
        return document.toPlainText().simplified();
    }
};

TEST_P(StatisticsToolTipShown, CountsWhatTheGraphShowsAndFollowsIt)
{
    const ToolTipCase& c = GetParam();
    const QString name = host(c.slot);
    for (Step step : c.steps) {
        switch (step) {
        case Step::Reply10: reply(name, 10); break;
        case Step::Reply16: reply(name, 16); break;
        case Step::Reply4: reply(name, 4); break;
        case Step::ForeignReply: reply(name, 20, "10.9.9.9"); break;
        case Step::ErrorReport: reply(name, 0, {}, 0, 11003); break;
        case Step::TimeOut: failure(name); break;
        case Step::Unreachable: failure(name, "Destination host unreachable"); break;
        case Step::Reset: form->resetSlot(c.slot); break;
        case Step::ResetAll: form->Button3Click(); break;
        case Step::NewDescription: form->applyHostChange(QString::number(c.slot), name, "<i>new</i> & old"); break;
        case Step::EmptyHost: form->applyHostChange(QString::number(c.slot), "", "gone"); break;
        case Step::Start: form->Button2Click(); break;
        case Step::NotSent: {
            TPingThread worker;
            worker.HostText = name;
            worker.ConstructionError = "Unable to get ping handle";
            form->PingThreadDone(&worker);
            break;
        }
        }
    }
    const QString shown = restMouse(c.slot);
    EXPECT_EQ(shown.left(c.shown.size()), c.shown) << shown.toStdString();
    if (c.shown.isEmpty())
        return;
    const QString before = shownText();
    failure(host(c.slot));
    EXPECT_NE(shownText(), before) << "a shown tooltip follows the outcomes";
    QToolTip::hideText();
}

INSTANTIATE_TEST_SUITE_P(
    Slots, StatisticsToolTipShown,
    testing::Values(
        ToolTipCase{"EmptySlot", 4, {}, ""},
        ToolTipCase{"NoEchoesYet", 2, {},
                    "h2 slot 2 Echoes (last 100): 0 Replies: 0 Loss: \u2013 Min / avg / max: \u2013 / \u2013 / \u2013 ms "
                    "Jitter: \u2013 Last reply: none Last loss: none"},
        ToolTipCase{"TimeOutFailureErrorReportAndForeignReplyAreLost", 3,
                    {Step::Reply10, Step::TimeOut, Step::Unreachable, Step::ErrorReport, Step::ForeignReply,
                     Step::Reply16},
                    "h3 slot 3 Echoes (last 100): 6 Replies: 2 Loss: 66.7 % Min / avg / max: 10 / 13.0 / 16 ms "
                    "Jitter: 6.0 ms Last reply: 2"},
        ToolTipCase{"SlotResetStartsAfresh", 3,
                    {Step::Reply10, Step::TimeOut, Step::Reset, Step::Reply4},
                    "h3 slot 3 Echoes (last 100): 1 Replies: 1 Loss: 0.0 % Min / avg / max: 4 / 4.0 / 4 ms "
                    "Jitter: \u2013 Last reply: 2"},
        ToolTipCase{"ResetOfAllStartsAfresh", 1,
                    {Step::TimeOut, Step::ResetAll},
                    "h1 slot 1 Echoes (last 100): 0 Replies: 0 Loss: \u2013"},
        ToolTipCase{"HostChangeStartsAfresh", 3,
                    {Step::Reply10, Step::NewDescription},
                    "h3 <i>new</i> & old Echoes (last 100): 0 Replies: 0 Loss: \u2013 Min / avg / max: \u2013 / \u2013 / "
                    "\u2013 ms Jitter: \u2013 Last reply: none Last loss: none"},
        // Three lost in a row make a polled host down; a reply ends it.
        ToolTipCase{"DownHostSaysSinceWhen", 1,
                    {Step::Start, Step::Reply10, Step::TimeOut, Step::Unreachable, Step::TimeOut},
                    "h1 slot 1 Down since "},
        ToolTipCase{"AnsweringAgainIsNoLongerDown", 1,
                    {Step::Start, Step::TimeOut, Step::TimeOut, Step::TimeOut, Step::Reply4},
                    "h1 slot 1 Echoes (last 100): 4"},
        // An echo that could not be sent says nothing of the host.
        ToolTipCase{"EchoesNotSentAreNoLossAndNeverDown", 1,
                    {Step::Start, Step::Reply10, Step::NotSent, Step::NotSent, Step::NotSent},
                    "h1 slot 1 Echoes (last 100): 1 Replies: 1 Loss: 0.0 %"},
        ToolTipCase{"NotPolledIsNeverDown", 1,
                    {Step::TimeOut, Step::TimeOut, Step::TimeOut},
                    "h1 slot 1 Echoes (last 100): 3"},
        ToolTipCase{"HostChangeToEmptyShowsNone", 3,
                    {Step::Reply10, Step::EmptyHost},
                    ""}),
    [](const auto& info) { return std::string(info.param.name); });

}
