#include "monitor/tray/TrayIndicator.h"

#include "monitor/alerts/QtSessionBus.h"
#include "monitor/tray/TrayIcons.h"

#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

TrayIndicator::TrayIndicator(QObject* parent)
    : QObject(parent)
{
}

namespace {

// Kept to the end of the process: see the destructor.
QSystemTrayIcon* panelItemLeft = nullptr;
QMenu* panelMenuLeft = nullptr;

}

// A panel's item is withdrawn with calls on the session bus that wait for
// their answer, which a bus that hangs never gives: at quit the item goes
// with the process instead, as the panel sees its connection close. An
// XEmbed icon goes with its window. The menu belongs to no widget.
TrayIndicator::~TrayIndicator()
{
    if (m_icon && m_icon->isVisible() && QtSessionBus::given()) {
        panelItemLeft = m_icon;
        panelMenuLeft = m_menu;
        return;
    }
    delete m_icon;
    delete m_menu;
}

void TrayIndicator::setWanted(bool wanted)
{
    m_wanted = wanted;
    if (!wanted) {
        if (m_icon)
            m_icon->hide();
        return;
    }
    // Without a display there is no desktop, and no tray to look for.
    if (QGuiApplication::platformName() == "offscreen" || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!m_icon)
        build();
    refresh();
    m_icon->show();
}

bool TrayIndicator::replied(const QString& host, bool aboveThreshold)
{
    const auto known = m_above.constFind(host);
    if (known != m_above.cend() && *known == aboveThreshold)
        return false;
    m_above.insert(host, aboveThreshold);
    return true;
}

void TrayIndicator::show(bool polling, std::vector<TrayGlance::Host> hosts)
{
    for (TrayGlance::Host& h : hosts)
        h.aboveThreshold = !h.down && m_above.value(h.host);
    const TrayGlance glance = TrayGlance::of(polling, hosts);
    if (glance.level == m_glance.level && glance.toolTip == m_glance.toolTip && polling == m_polling)
        return;
    m_glance = glance;
    m_polling = polling;
    if (m_icon)
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

    m_icon = new QSystemTrayIcon;
    m_icon->setObjectName("TrayIcon1");
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit showRequested();
    });
}

void TrayIndicator::refresh()
{
    m_startStop->setText(m_polling ? "&Stop" : "&Start");
    m_icon->setIcon(TrayIcons::of(m_glance.level));
    m_icon->setToolTip(m_glance.toolTip);
}
