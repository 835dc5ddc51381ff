#include "monitor/window/Unit1.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/files/StrictInteger.h"
#include "monitor/history/HistoryEcho.h"
#include "monitor/history/HistoryRecorder.h"
#include "monitor/history/view/HistoryView.h"
#include "monitor/echo/EchoOutcome.h"
#include "monitor/window/Slot.h"

#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QDir>
#include <QMenu>

#include <stdexcept>

namespace {

// A stored limit that is no number in its range is told, and the default
// serves: the history is an extra and must not end the start-up.
qint64 storedLimit(SettingsStore& settings, const char* name, int fallback, int maximum, qint64 unitMs)
{
    const auto text = settings.read(name);
    if (!text) {
        settings.write(name, QString::number(fallback));
        return fallback * unitMs;
    }
    try {
        const std::int32_t n = StrictInteger::parse(*text);
        if (n >= 1 && n <= maximum)
            return n * unitMs;
    } catch (const std::runtime_error&) {
    }
    ErrorHandler::report(QString("The setting \"%1\" in %2: '%3' is not from 1 to %4; %5 is used")
                             .arg(name, SettingsStore::location(), *text)
                             .arg(maximum)
                             .arg(fallback));
    return fallback * unitMs;
}

}

void TForm1::buildHistoryItems(QMenu* options)
{
    m_history = new HistoryRecorder(m_programFolder, this);
    Keephistory1 = options->addAction("Keep &history");
    Keephistory1->setObjectName("Keephistory1");
    Keephistory1->setCheckable(true);
    Keephistory1->setChecked(true);
    const QString tip = QString("Keeps every echo in %1").arg(QDir::toNativeSeparators(m_history->path()));
    Keephistory1->setStatusTip(tip);
    Keephistory1->setToolTip(tip);
}

QAction* TForm1::addHistoryItem(int n)
{
    QAction* item = slot(n).popup->addAction("Show &history...");
    item->setObjectName(QString("Showhistory%1").arg(n));
    return item;
}

void TForm1::applyHistorySettings()
{
    const auto keep = m_settings.read("keephistory");
    if (!keep)
        storeSetting("keephistory", "yes");
    Keephistory1->setChecked(keep != "no");
    m_history->setKeeping(Keephistory1->isChecked());
    HistoryLimits limits;
    limits.rawMs = storedLimit(m_settings, "historyhours", 48, 24 * 366, HistoryLimits::HourMs);
    limits.summaryMs = storedLimit(m_settings, "historydays", 90, 3660, HistoryLimits::DayMs);
    m_history->setLimits(limits);
}

void TForm1::Keephistory1Click()
{
    const bool on = !Keephistory1->isChecked();
    Keephistory1->setChecked(on);
    m_history->setKeeping(on);
    storeSetting("keephistory", SettingsStore::yesNo(on));
}

void TForm1::recordHistory(const EchoOutcome& outcome)
{
    // An echo that could not be sent left nothing on the network to keep;
    // its reason is in the logs.
    if (m_history->keeping() && outcome.kind != EchoOutcome::Kind::NotSent)
        m_history->record(HistoryEcho::of(outcome));
}

// What was gathered of the last second is posted first, so that the view
// reads it too.
void TForm1::showHistory(int n)
{
    const QString host = slot(n).host();
    if (host.isEmpty())
        return;
    m_history->flush();
    if (!m_historyView)
        m_historyView = new HistoryView(m_history->path(), this);
    m_historyView->showHost(host, slot(n).descriptionLabel->Caption());
}
