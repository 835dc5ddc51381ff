#include "XvfbDisplay.h"

XvfbDisplay::XvfbDisplay()
{
    m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!m_server.waitForStarted(5000) || !m_server.waitForReadyRead(10000)) {
        m_failure = "Xvfb did not start (package xvfb)";
        return;
    }
    m_display = ":" + QString::fromUtf8(m_server.readAllStandardOutput()).trimmed();
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(2000)) {
        m_server.kill();
        m_server.waitForFinished(2000);
    }
}
