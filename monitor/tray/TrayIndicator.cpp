#include "monitor/tray/TrayIndicator.h"

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/tray/TrayPanel.h"
#include "monitor/tray/XEmbedTray.h"

#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

TrayIndicator::TrayIndicator(const HostDownWatch& watch, QObject* parent)
    : QObject(parent)
    , m_watch(watch)
{
}

OptionItem TrayIndicator::optionItem()
{
    return OptionItem::onOff("Show in &tray", "Showintray1", "showtray", true, [this](bool on) { setWanted(on); });
}

void TrayIndicator::pollingChanged(bool polling)
{
    m_polling = polling;
    for (TrayGlance::Host& h : m_hosts)
        h.down = m_watch.downSince(h.host).has_value();
    show();
}

void TrayIndicator::hostsShown(const ShownHosts& hosts)
{
    m_hosts.clear();
    for (const ShownHost& h : hosts)
        m_hosts.push_back({h.host, h.description, m_watch.downSince(h.host).has_value(), Signal::isAbove(h.level)});
    show();
}

// Most outcomes change nothing the tray shows: those cost a lookup.
void TrayIndicator::echoEnded(const EchoOutcome& outcome)
{
    const auto shown = std::ranges::find(m_hosts, outcome.host, &TrayGlance::Host::host);
    if (shown == m_hosts.end() || outcome.showing.isEmpty())
        return;
    const bool down = m_watch.downSince(outcome.host).has_value();
    const bool above = Signal::isAbove(outcome.level);
    if (down == shown->down && above == shown->aboveThreshold)
        return;
    shown->down = down;
    shown->aboveThreshold = above;
    show();
}

// The panel item goes with the process, as the panel sees its connection
// close (TrayPanel); an XEmbed icon goes with its window, before the menu
// it pops. The menu belongs to no widget.
TrayIndicator::~TrayIndicator()
{
    delete m_xembed;
    delete m_menu;
}

// Which tray takes the item is known only once the panel item's thread has
// heard from the bus.
void TrayIndicator::setWanted(bool wanted)
{
    if (m_panel && wanted == m_wanted)
        return;
    m_wanted = wanted;
    // Without a display there is no desktop, and no tray to look for.
    if (QGuiApplication::platformName() == "offscreen" || (!m_panel && !wanted))
        return;
    if (!m_panel)
        build();
    m_onPanel = Panel::Unknown;
    m_panel->setWanted(wanted);
    placeXEmbed();
}

void TrayIndicator::show()
{
    const TrayGlance glance = TrayGlance::of(m_polling, m_hosts);
    if (glance.level == m_glance.level && glance.toolTip == m_glance.toolTip && m_polling == m_shownPolling)
        return;
    m_glance = glance;
    m_shownPolling = m_polling;
    if (m_panel)
        refresh();
}

void TrayIndicator::build()
{
    m_menu = new QMenu;
    m_startStop = m_menu->addAction("&Start");
    m_startStop->setObjectName("TrayStartStop");
    connect(m_startStop, &QAction::triggered, this, &TrayIndicator::startStopRequested);
    QAction* showWindow = m_menu->addAction("S&how");
    showWindow->setObjectName("TrayShow");
    connect(showWindow, &QAction::triggered, this, &TrayIndicator::showRequested);
    m_menu->addSeparator();
    QAction* quit = m_menu->addAction("&Quit");
    quit->setObjectName("TrayQuit");
    connect(quit, &QAction::triggered, this, &TrayIndicator::quitRequested);

    m_panel = new TrayPanel(this);
    connect(m_panel, &TrayPanel::onPanel, this, [this](bool taken) {
        m_onPanel = taken ? Panel::Taken : Panel::None;
        placeXEmbed();
    });
    connect(m_panel, &TrayPanel::activated, this, &TrayIndicator::showRequested);
    connect(m_panel, &TrayPanel::contextMenuAsked, this, [this](QPoint at) { m_menu->popup(at); });
    connect(m_panel, &TrayPanel::startStopChosen, this, &TrayIndicator::startStopRequested);
    connect(m_panel, &TrayPanel::showChosen, this, &TrayIndicator::showRequested);
    connect(m_panel, &TrayPanel::quitChosen, this, &TrayIndicator::quitRequested);
    refresh();
}

void TrayIndicator::refresh()
{
    m_startStop->setText(m_polling ? "&Stop" : "&Start");
    m_panel->show(m_glance.level, m_glance.toolTip, m_polling);
    if (m_xembed)
        m_xembed->showGlance(m_glance.level, m_glance.toolTip);
}

// XEmbed only where no panel's watcher took the item.
void TrayIndicator::placeXEmbed()
{
    const bool wanted = m_wanted && m_onPanel == Panel::None;
    if (wanted && !m_xembed && XEmbedTray::onX11()) {
        m_xembed = new XEmbedTray(m_menu, this);
        connect(m_xembed, &XEmbedTray::activated, this, &TrayIndicator::showRequested);
        m_xembed->showGlance(m_glance.level, m_glance.toolTip);
    }
    if (m_xembed)
        m_xembed->setWanted(wanted);
}
