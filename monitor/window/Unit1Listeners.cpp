#include "monitor/window/Unit1.h"

#include "monitor/access/SpokenSlots.h"
#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/GraphImage.h"
#include "monitor/controls/ErrorHandler.h"
#include "monitor/history/HistoryRecorder.h"
#include "monitor/history/view/HistoryView.h"
#include "monitor/metrics/EchoMetrics.h"
#include "monitor/tray/TrayIndicator.h"
#include "monitor/window/Slot.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

// Each listener is made, added and given its Options items here, after
// every item the menu had, so that each keeps its place. One that reads
// the down-watch is added after it.
void TForm1::buildListeners(QMenu* options)
{
    const auto listen = [this, options](EchoListener& listener, std::vector<OptionItem> items) {
        m_listeners.add(listener);
        for (OptionItem& item : items)
            m_optionItems.add(options, std::move(item));
    };
    options->addSeparator();

    m_downAlerts = new HostDownAlerts(this);
    connect(m_downAlerts, &HostDownAlerts::activationRequested, this, &TForm1::bringToFront);
    // A host that goes down while the window is not the active one makes it
    // ask for attention (the task bar's urgency hint).
    connect(m_downAlerts, &HostDownAlerts::wentDown, this, [this] {
        if (!isActiveWindow())
            QApplication::alert(this);
    });
    listen(*m_downAlerts, m_downAlerts->optionItems(this));

    auto* tray = new TrayIndicator(m_downAlerts->watch(), this);
    // As the buttons' own clicks, with their handlers' error handling.
    connect(tray, &TrayIndicator::startStopRequested, this, [this] { Button2->click(); });
    connect(tray, &TrayIndicator::showRequested, this, &TForm1::bringToFront);
    connect(tray, &TrayIndicator::quitRequested, this, [this] { Button1->click(); });
    listen(*tray, {tray->optionItem()});

    const auto reading = [this](int n) {
        const Slot& s = slot(n);
        return SpokenState::Reading{s.host(), false, s.signalsAbove(), s.threshold(), {}, s.lastFailure};
    };
    const auto focusedIn = [this](int n) -> QWidget* {
        QWidget* focused = focusWidget();
        const Slot& s = slot(n);
        return focused && (focused == static_cast<QWidget*>(s.image) || focused == s.pollLog) ? focused : nullptr;
    };
    listen(*new SpokenSlots(m_downAlerts->watch(), reading, focusedIn, this), {});

    auto* metrics = new EchoMetrics(m_downAlerts->watch(), this);
    connect(metrics, &EchoMetrics::news, this, [](const QString& message) { ErrorHandler::tell(message); });
    listen(*metrics, {metrics->optionItem(this, m_programFolder)});

    m_history = new HistoryRecorder(m_programFolder, this);
    listen(*m_history, m_history->optionItems());
}

// Raised from the tray, or from a notice: shown again if minimised.
void TForm1::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

// The one place where a host's description and level are found for the
// listeners: the first description among the slots that show it, in slot
// order, and the highest signal among them.
ShownHost TForm1::shownHost(const SlotNumbers& showing) const
{
    ShownHost shown;
    for (const int n : showing) {
        const Slot& s = slot(n);
        shown.host = s.host();
        if (shown.description.isEmpty())
            shown.description = s.descriptionLabel->Caption();
        shown.level = std::max(shown.level, s.signal());
    }
    return shown;
}

void TForm1::showHosts()
{
    ShownHosts hosts;
    for (int n = 1; n <= SlotCount; ++n) {
        const QString host = slot(n).host();
        if (!host.isEmpty() && std::ranges::find(hosts, host, &ShownHost::host) == hosts.end())
            hosts.push_back(shownHost(slotsShowing(host)));
    }
    m_listeners.hostsShown(hosts);
}

QAction* TForm1::addHistoryItem(int n)
{
    QAction* item = slot(n).popup->addAction("Show &history...");
    item->setObjectName(QString("Showhistory%1").arg(n));
    return item;
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
