#include "monitor/tray/TrayPanel.h"

#include "monitor/tray/TrayPanelSession.h"

#include <QThread>

#include <atomic>

namespace {
std::atomic<bool> leftBehind{false};
}

TrayPanel::TrayPanel(QObject* parent)
    : QObject(parent)
    , m_thread(new QThread)
    , m_session(new TrayPanelSession)
{
    m_thread->setObjectName("tray");
    m_session->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    connect(m_session, &TrayPanelSession::onPanel, this, &TrayPanel::onPanel);
    connect(m_session, &TrayPanelSession::activated, this, &TrayPanel::activated);
    connect(m_session, &TrayPanelSession::contextMenuAsked, this, &TrayPanel::contextMenuAsked);
    connect(m_session, &TrayPanelSession::startStopChosen, this, &TrayPanel::startStopChosen);
    connect(m_session, &TrayPanelSession::showChosen, this, &TrayPanel::showChosen);
    connect(m_session, &TrayPanelSession::quitChosen, this, &TrayPanel::quitChosen);
    m_thread->start();
}

// The item goes with the process, as the panel sees our connection close:
// nothing is said to a bus that may hang. Asking the thread to give up ends
// a search for the bus within a few tens of milliseconds; a thread still
// held by the D-Bus library after QuitWaitMs is left to the end of the
// process rather than waited for.
TrayPanel::~TrayPanel()
{
    m_thread->requestInterruption();
    QMetaObject::invokeMethod(m_session, [session = m_session] { session->end(); }, Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(QuitWaitMs)))
        delete m_thread;
    else
        leftBehind = true;
}

bool TrayPanel::threadLeftBehind()
{
    return leftBehind;
}

void TrayPanel::setWanted(bool wanted)
{
    QMetaObject::invokeMethod(m_session, [session = m_session, wanted] { session->setWanted(wanted); },
                              Qt::QueuedConnection);
}

void TrayPanel::show(TrayGlance::Level level, const QString& toolTip, bool polling)
{
    const auto post = [session = m_session, level, toolTip, polling] { session->show(level, toolTip, polling); };
    QMetaObject::invokeMethod(m_session, post, Qt::QueuedConnection);
}
