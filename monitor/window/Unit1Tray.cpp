#include "monitor/window/Unit1.h"

#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/tray/TrayIndicator.h"
#include "monitor/window/Slot.h"

#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

void TForm1::buildTrayItem(QMenu* options)
{
    m_tray = new TrayIndicator(this);
    Showintray1 = options->addAction("Show in &tray");
    Showintray1->setObjectName("Showintray1");
    Showintray1->setCheckable(true);
}

void TForm1::Showintray1Click()
{
    const bool on = !Showintray1->isChecked();
    Showintray1->setChecked(on);
    m_tray->setWanted(on);
    storeSetting("showtray", SettingsStore::yesNo(on));
}

void TForm1::applyTraySetting()
{
    const auto shown = m_settings.read("showtray");
    if (!shown)
        storeSetting("showtray", "yes");
    Showintray1->setChecked(shown != "no");
    refreshTray();
    m_tray->setWanted(Showintray1->isChecked());
}

// Raised from the tray, or from a notice: shown again if minimised.
void TForm1::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

// Each host text once, in slot order, named as the notices name it; above
// its threshold where any of its graphs signals it, yellow or orange.
void TForm1::refreshTray()
{
    std::vector<TrayGlance::Host> hosts;
    for (int n = 1; n <= SlotCount; ++n) {
        const QString host = slot(n).host();
        if (host.isEmpty() || std::ranges::any_of(hosts, [&host](const auto& h) { return h.host == host; }))
            continue;
        QString description;
        bool above = false;
        for (const int shown : slotsShowing(host)) {
            if (description.isEmpty())
                description = slot(shown).descriptionLabel->Caption();
            above = above || slot(shown).signalsAbove();
        }
        hosts.push_back({host, description, m_downAlerts->watch().downSince(host).has_value(), above});
    }
    m_tray->show(Timer1->enabled(), hosts);
}
