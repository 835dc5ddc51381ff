#include "monitor/window/Unit1.h"

#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/echo/EchoOutcome.h"
#include "monitor/window/Slot.h"

#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

// After every item the menu had, so that each keeps its place.
void TForm1::buildNotificationItems(QMenu* options)
{
    m_downAlerts = new HostDownAlerts(this);
    connect(m_downAlerts, &HostDownAlerts::activationRequested, this, &TForm1::bringToFront);
    options->addSeparator();
    Notify1 = options->addAction("&Notify when a host goes down");
    Notify1->setObjectName("Notify1");
    Notify1->setCheckable(true);
    options->addAction("&Lost echoes before notifying...")->setObjectName("Notifyafter1");
}

void TForm1::Notify1Click()
{
    const bool on = !Notify1->isChecked();
    Notify1->setChecked(on);
    m_downAlerts->setNotifying(on);
    storeSetting("notify", SettingsStore::yesNo(on));
}

void TForm1::Notifyafter1Click()
{
    HostDownWatch& watch = m_downAlerts->watch();
    const auto chosen = UserDialogs::active().askInteger(this, "Lost echoes in a row before a host counts as down:",
                                                         watch.threshold(), 1, HostDownWatch::MaxThreshold);
    if (!chosen)
        return;
    watch.setThreshold(*chosen);
    storeSetting("notifyafter", QString::number(*chosen));
}

// Lost is what the statistics count lost: a failure with a text, an error
// report, or a reply from another address. While polling is stopped
// nothing is told, and Start counts afresh. A host that goes down while the
// window is not the active one makes it ask for attention (the task bar's
// urgency hint), and the tray follows every change of a host's state.
void TForm1::watchEcho(const EchoOutcome& outcome, const SlotNumbers& shown)
{
    if (!Timer1->enabled() || shown.isEmpty())
        return;
    QString description;
    for (const int n : shown) {
        description = slot(n).descriptionLabel->Caption();
        if (!description.isEmpty())
            break;
    }
    HostDownWatch& watch = m_downAlerts->watch();
    const bool wasDown = watch.downSince(outcome.host).has_value();
    switch (outcome.kind) {
    case EchoOutcome::Kind::Reply:
        watch.answered(outcome.host, description, outcome.sent, outcome.roundTripMs, outcome.now);
        break;
    case EchoOutcome::Kind::ForeignReply:
        watch.lost(outcome.host, description, outcome.sent, "Reply from " + outcome.replyAddress, outcome.now);
        break;
    case EchoOutcome::Kind::Failure:
        watch.lost(outcome.host, description, outcome.sent, outcome.errorText, outcome.now);
        break;
    case EchoOutcome::Kind::NotSent:
    case EchoOutcome::Kind::Untold:
        break;
    }
    m_downAlerts->changed();
    const bool down = watch.downSince(outcome.host).has_value();
    if (!wasDown && down && !isActiveWindow())
        QApplication::alert(this);
    if (down != wasDown)
        refreshTray();
}
