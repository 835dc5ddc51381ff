#include "monitor/window/Unit1.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/files/LocalClock.h"
#include "monitor/files/LogFormat.h"
#include "monitor/files/StrictInteger.h"
#include "monitor/window/Slot.h"
#include "monitor/window/TickPaintGate.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"
#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace {

constexpr std::int32_t EchoTimeOut = 5000;
constexpr std::int32_t EchoTtl = 32;

}

void TForm1::Button2Click()
{
    Edit4->setText(LogFormat::fileStamp(LocalClock::current()));
    if (Timer1->enabled()) {
        Timer1->setEnabled(false);
        Button2->setText("&Start");
    } else {
        Timer1->setEnabled(true);
        Button2->setText("&Stop");
        Memo1->clear();
    }
    m_listeners.pollingChanged(Timer1->enabled());
}

// The payload text is read and converted once, before any worker exists,
// so that a bad text never leaves a created worker unstarted. A text that
// is no whole number is told once per run in a message box and on every
// such tick in the combined log. A negative number is sent on: the echo
// engine refuses it, and each slot shows that failure.
std::optional<std::int32_t> TForm1::payloadForTick()
{
    const auto payload = StrictInteger::tryParse(Edit3->text());
    if (payload)
        return payload;
    const QString shown = Edit3->text().size() > 40 ? Edit3->text().left(37) + "..." : Edit3->text();
    const QString message = QString("The payload \"%1\" is not a whole number of bytes; no echo was sent").arg(shown);
    addCombinedLine(message + ", " + LogFormat::stamp(LocalClock::current()));
    if (!m_payloadErrorShown) {
        m_payloadErrorShown = true;
        ErrorHandler::report(message + ".");
    }
    return std::nullopt;
}

void TForm1::Timer1Timer()
{
    // Once per tick rather than per record: the log file is kept open while
    // its name leads to it, and not at all while no records are written.
    if (CheckBox4->isChecked())
        m_logFile.recheck();
    else
        m_logFile.close();
    const auto payload = payloadForTick();
    if (!payload)
        return;
    int echoes = 0;
    for (int n = 1; n <= SlotCount; ++n)
        echoes += slot(n).host().isEmpty() ? 0 : 1;
    const std::uint64_t tick = m_paintGate->tickStarted(echoes);
    for (int n = 1; n <= SlotCount; ++n) {
        Slot& s = slot(n);
        if (s.host().isEmpty())
            continue;
        auto* worker = new TPingThread;
        RegisterWorker(worker);
        worker->FreeOnTerminate = true;
        const SentEcho echo = SentEcho::next(Moment::now());
        m_listeners.echoSent(s.host(), echo);
        worker->OnTerminate = [this, echo, tick](QObject* sender) {
            ErrorHandler::run([this, sender, &echo] { PingThreadDone(sender, echo); });
            m_paintGate->echoEnded(tick);
        };
        worker->HostText = s.host();
        worker->TimeOut = EchoTimeOut;
        worker->Ttl = EchoTtl;
        worker->ReverseLookup = s.row.reverseLookup;
        worker->PayloadSize = *payload;
        worker->Resume();
    }
    m_listeners.tickSent();
}

void TForm1::TrackBar1Change()
{
    const QString text = QString::number(TrackBar1->value());
    Edit2->setText(text);
    Timer1->setInterval(static_cast<qint64>(TrackBar1->value()) * 1000);
    Label26->setText(Edit2->text() == "1" ? "second" : "in seconds");
    storeSetting("interval", Edit2->text());
}

void TForm1::Edit2Change()
{
    if (Edit2->text().isEmpty())
        Edit2->setText("1");
    // A negative interval gives no ticks, like 0: the timer takes nothing
    // below 0.
    const std::int32_t seconds = StrictInteger::parse(Edit2->text());
    Timer1->setInterval(static_cast<qint64>(seconds) * 1000);
    Label26->setText(Edit2->text() == "1" ? "second" : "in seconds");
    storeSetting("interval", Edit2->text());
}

void TForm1::TrackBar2Change()
{
    Edit3->setText(QString::number(TrackBar2->value()));
    storeSetting("payload", Edit3->text());
}

void TForm1::Edit3Change()
{
    if (Edit3->text().isEmpty())
        Edit3->setText("1");
    storeSetting("payload", Edit3->text());
}

void TForm1::Button1Click()
{
    m_closing = true;
    QApplication::quit();
}
