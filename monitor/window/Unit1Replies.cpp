#include "monitor/window/Unit1.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/files/LocalClock.h"
#include "monitor/files/LogFile.h"
#include "monitor/files/LogFormat.h"
#include "monitor/echo/EchoOutcome.h"
#include "monitor/window/SignalColours.h"
#include "monitor/window/Slot.h"

#include "graph/Vumo.h"
#include "ping/PingThrd.h"
#include "ping/start/PermissionAdvice.h"
#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int MaxCombinedLines = 1000;

}

void TForm1::PingThreadDone(QObject* sender)
{
    PingThreadDone(sender, SentEcho::next(Moment::now()));
}

// The listeners hear of the outcome after the slots took it, and the
// statistics tooltips are shown anew after the listeners, so that both
// tell the down-watch's latest word.
void TForm1::PingThreadDone(QObject* sender, const SentEcho& echo)
{
    if (m_closing)
        return;
    const auto* worker = qobject_cast<TPingThread*>(sender);
    if (!worker)
        return;
    EchoOutcome outcome = EchoOutcome::of(*worker, echo, Moment::now());
    outcome.showing = slotsShowing(outcome.host);

    if (outcome.kind == EchoOutcome::Kind::NotSent && !m_permissionErrorShown) {
        m_permissionErrorShown = true;
        ErrorHandler::report(PermissionAdvice::text(outcome.errorText));
    }
    if (outcome.answered()) {
        while (Memo1->lineCount() > MaxCombinedLines)
            Memo1->deleteFirstLine();
        if (CheckBox4->isChecked())
            writeLogRecord(LogFormat::replyRecord(outcome.host, outcome.replyDataSize, outcome.roundTripMs,
                                                  outcome.now.wall));
        for (const int n : outcome.showing) {
            if (outcome.kind == EchoOutcome::Kind::Reply)
                sampleProcedure(slot(n), outcome);
            else
                foreignReplyProcedure(slot(n), outcome);
        }
    } else {
        for (const int n : outcome.showing) {
            if (outcome.kind == EchoOutcome::Kind::Failure)
                failureProcedure(slot(n), outcome);
            else if (outcome.kind == EchoOutcome::Kind::NotSent)
                notSentProcedure(slot(n), outcome);
        }
        if (CheckBox4->isChecked())
            writeLogRecord(LogFormat::failureRecord(outcome.host, outcome.errorText, outcome.now.wall));
    }
    const ShownHost shown = shownHost(outcome.showing);
    outcome.description = shown.description;
    outcome.level = shown.level;
    m_listeners.echoEnded(outcome);
    if (outcome.kind != EchoOutcome::Kind::Untold)
        for (const int n : outcome.showing)
            refreshStatisticsToolTip(n);
}

SlotNumbers TForm1::slotsShowing(const QString& host) const
{
    SlotNumbers numbers;
    for (int n = 1; n <= SlotCount; ++n)
        if (slot(n).host() == host)
            numbers.append(n);
    return numbers;
}

void TForm1::setGridAfterSample(Slot& s, int smallStep)
{
    const std::int64_t maximum = s.graph->Graphs()[0]->MaxValue();
    s.graph->SetGridY(maximum <= 20 ? smallStep : static_cast<std::int32_t>(maximum / 10));
}

// The one place a reply's threshold signal is decided. With "Show average"
// the average decides the orange; until a slot has an average, the orange
// compares the sum of its recent times: with a single time, that time itself.
Signal::Level TForm1::sampleSignal(const Slot& s, std::int32_t rtt) const
{
    const auto thr = s.threshold();
    if (!CheckBox6->isChecked() || !thr)
        return Signal::Level::Normal;
    const bool byAverage = CheckBox3->isChecked();
    const auto average = s.average();
    if (byAverage && (average ? *average : s.recentSum()) >= *thr)
        return Signal::Level::AverageAbove;
    if (rtt > *thr && (!byAverage || s.row.keepsSampleColourBelowAverage))
        return Signal::Level::LastAbove;
    return Signal::Level::Normal;
}

void TForm1::sampleProcedure(Slot& s, const EchoOutcome& outcome)
{
    TVumo& g = *s.graph;
    const auto rtt = static_cast<std::int32_t>(outcome.roundTripMs);

    s.statistics.addReply(rtt, outcome.now.wall);
    s.lastFailure.clear();
    // The recent times first: the signal reads their average.
    s.addRecentTime(rtt);
    g.AddValue(0, rtt);
    setGridAfterSample(s, s.row.smallGridStep);
    s.showSignal(sampleSignal(s, rtt));
    g.SetTopRightText(QString::number(rtt));
    // With "Show average" the picture is published below, with its average,
    // before anything can paint it: drawing it here too would never be seen.
    if (!CheckBox3->isChecked())
        s.publish();
    s.topScale->setText(QString::number(g.Graphs()[0]->MaxValue()));
    const QString line = LogFormat::replyLine(outcome.host, outcome.replyDataSize, outcome.roundTripMs,
                                              outcome.now.wall);
    addCombinedLine(line);
    s.pollLog->addLine(line);

    if (const auto average = s.average()) {
        g.SetTopLeftText(QString::number(*average));
        g.AddValue(1, *average);
    }
    if (CheckBox3->isChecked())
        s.publish();
}

// What a foreign reply and a failure share: a zero in both series, the red
// signal, and the last value "0", shown at once unless the slot shows it
// only from its next redraw.
void TForm1::zeroSample(Slot& s, bool zeroAfterPublishing)
{
    TVumo& g = *s.graph;
    g.AddValue(0, 0);
    g.AddValue(1, 0);
    s.showSignal(CheckBox6->isChecked() ? Signal::Level::Failed : Signal::Level::Normal);
    setGridAfterSample(s, 20);
    if (!zeroAfterPublishing)
        g.SetTopRightText("0");
    s.publish();
    if (zeroAfterPublishing)
        g.SetTopRightText("0");
    s.topScale->setText(QString::number(g.Graphs()[0]->MaxValue()));
}

// A reply from another address is no answer of the pinged host: the
// statistics count it lost, as the graph shows it.
void TForm1::foreignReplyProcedure(Slot& s, const EchoOutcome& outcome)
{
    s.statistics.addLoss(outcome.now.wall);
    s.lastFailure = "Reply from " + outcome.replyAddress;
    zeroSample(s, s.row.zeroesLastValueAfterPublishing);
    const QString line =
        LogFormat::foreignReplyLine(outcome.host, outcome.errorText, outcome.now.wall);
    addCombinedLine(line);
    s.pollLog->addLine(line);
}

void TForm1::failureProcedure(Slot& s, const EchoOutcome& outcome)
{
    s.statistics.addLoss(outcome.now.wall);
    s.lastFailure = outcome.errorText;
    zeroSample(s, false);
    const QString& host = outcome.host;
    const QString& error = outcome.errorText;
    addCombinedLine(LogFormat::failureLine(host, error, outcome.now.wall, s.row.prefixesCombinedFailureLine));
    s.pollLog->addLine(LogFormat::failureLine(host, error, outcome.now.wall, true));
}

// Nothing reached the host: its graph and loss stay as they were, and the
// logs say why no echo went.
void TForm1::notSentProcedure(Slot& s, const EchoOutcome& outcome)
{
    s.statistics.addNotSent(outcome.now.wall);
    const QString& host = outcome.host;
    const QString& error = outcome.errorText;
    addCombinedLine(LogFormat::failureLine(host, error, outcome.now.wall, s.row.prefixesCombinedFailureLine));
    s.pollLog->addLine(LogFormat::failureLine(host, error, outcome.now.wall, true));
}

void TForm1::addCombinedLine(const QString& line)
{
    Memo1->addLine(line);
}

// A record that cannot be written is lost, told every time in the combined
// log, once per run in a message box and once per outage on standard error;
// processing goes on, and the next record tries again.
void TForm1::writeLogRecord(const QString& record)
{
    const QString path = LogFile::pathFor(m_programFolder, Edit4->text());
    try {
        m_logFile.write(path, record);
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        addCombinedLine(message + ", " + LogFormat::stamp(LocalClock::current()));
        const bool outageBegins = m_logFileOutage.lost();
        if (!m_logFileErrorShown) {
            m_logFileErrorShown = true;
            ErrorHandler::report(message + "\nThe monitor goes on and tries again with every record.");
        } else if (outageBegins) {
            ErrorHandler::tell(message);
        }
        return;
    }
    if (const QString resumed = m_logFileOutage.written(path); !resumed.isEmpty())
        ErrorHandler::tell(resumed);
}
