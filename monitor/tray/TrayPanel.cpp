#include "monitor/tray/TrayPanel.h"

#include "monitor/threads/BackgroundThread.h"
#include "monitor/tray/TrayPanelSession.h"

TrayPanel::TrayPanel(QObject* parent)
    : QObject(parent)
    , m_session(new TrayPanelSession)
    , m_thread(std::make_unique<BackgroundThread>("tray", m_session))
{
    connect(m_session, &TrayPanelSession::onPanel, this, &TrayPanel::onPanel);
    connect(m_session, &TrayPanelSession::activated, this, &TrayPanel::activated);
    connect(m_session, &TrayPanelSession::contextMenuAsked, this, &TrayPanel::contextMenuAsked);
    connect(m_session, &TrayPanelSession::startStopChosen, this, &TrayPanel::startStopChosen);
    connect(m_session, &TrayPanelSession::showChosen, this, &TrayPanel::showChosen);
    connect(m_session, &TrayPanelSession::quitChosen, this, &TrayPanel::quitChosen);
}

// The item goes with the process, as the panel sees our connection close:
// nothing is said to a bus that may hang. Asking the thread to give up ends
// a search for the bus within a few tens of milliseconds; a thread still
// held by the D-Bus library after QuitWaitMs is left to the end of the
// process rather than waited for.
TrayPanel::~TrayPanel()
{
    m_thread->end([session = m_session] { session->end(); }, QuitWaitMs);
}

void TrayPanel::setWanted(bool wanted)
{
    m_thread->post([session = m_session, wanted] { session->setWanted(wanted); });
}

void TrayPanel::show(TrayGlance::Level level, const QString& toolTip, bool polling)
{
    m_thread->post([session = m_session, level, toolTip, polling] { session->show(level, toolTip, polling); });
}
