#include "SessionBusDaemon.h"

#include "ProgramRun.h"

#include <QFile>

SessionBusDaemon::SessionBusDaemon()
    : m_address("unix:path=" + m_folder.filePath("bus"))
{
    start();
}

SessionBusDaemon::~SessionBusDaemon()
{
    kill();
}

void SessionBusDaemon::restart()
{
    kill();
    QFile::remove(m_folder.filePath("bus"));
    start();
}

void SessionBusDaemon::start()
{
    m_daemon.start("dbus-daemon", {"--session", "--address=" + m_address, "--nofork", "--nopidfile"});
    if (!within(5000, [&] { return QFile::exists(m_folder.filePath("bus")); }))
        m_failure = "dbus-daemon did not start (package dbus-daemon)";
}

void SessionBusDaemon::kill()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.kill();
    m_daemon.waitForFinished(2000);
}
