#include "ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

ProgramRun::ProgramRun(const QStringList& hostLines, const QStringList& settingsLines, const QString& parent)
    : m_folder(parent.isEmpty() ? QDir::tempPath() + "/quorvane-XXXXXX" : parent + "/quorvane-XXXXXX")
{
    const QDir folder(m_folder.path());
    EXPECT_TRUE(QFile::copy(QUORVANE_PROGRAM, folder.filePath("quorvane")));
    // Where the ping sockets are closed, the program starts the helper beside it.
    EXPECT_TRUE(QFile::copy(QUORVANE_ICMP, folder.filePath("quorvane-icmp")));
    m_hostFile = folder.filePath("hosts.txt");
    QFile hosts(m_hostFile);
    EXPECT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write(hostLines.join("\r\n").toUtf8());
    hosts.close();
    folder.mkpath("config/Halvetor");
    QFile settings(folder.filePath("config/Halvetor/Quorvane.conf"));
    EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(("[General]\n" + settingsLines.join("\n") + "\n").toUtf8());
    settings.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    environment.remove("DISPLAY");
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(folder.path());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ProgramRun::~ProgramRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void ProgramRun::setEnvironment(const QString& name, const QString& value)
{
    QProcessEnvironment environment = m_process.processEnvironment();
    if (value.isEmpty())
        environment.remove(name);
    else
        environment.insert(name, value);
    m_process.setProcessEnvironment(environment);
}

void ProgramRun::keepErrors()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

QString ProgramRun::errors()
{
    return QString::fromUtf8(m_process.readAllStandardError());
}

void ProgramRun::start()
{
    m_process.start(QDir(m_folder.path()).filePath("quorvane"), {m_hostFile});
    ASSERT_TRUE(m_process.waitForStarted(5000));
}

int ProgramRun::stop(int signal, int waitMs)
{
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    if (!m_process.waitForFinished(waitMs))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
}

QString ProgramRun::path(const QString& name) const
{
    return QDir(m_folder.path()).filePath(name);
}

qint64 helperOf(qint64 pid)
{
    QFile file(QString("/proc/%1/task/%1/children").arg(pid));
    const QString children = file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    for (const QString& child : children.split(' ', Qt::SkipEmptyParts)) {
        QFile comm(QString("/proc/%1/comm").arg(child));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "quorvane-icmp")
            return child.toLongLong();
    }
    return 0;
}

QString ProgramRun::logFilePath() const
{
    return QDir(m_folder.path()).filePath("hosts.txt.log");
}

QStringList ProgramRun::logRecords() const
{
    QFile file(logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool within(int ms, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(10);
    }
    return true;
}
