#include "NotificationDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

namespace {

constexpr const char* Service = "org.freedesktop.Notifications";

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

QStringList strings(const QString& block)
{
    static const QRegularExpression quoted(R"(string "((?:[^"\\]|\\.)*)\")",
                                           QRegularExpression::DotMatchesEverythingOption);
    QStringList all;
    for (auto it = quoted.globalMatch(block); it.hasNext();)
        all << it.next().captured(1);
    return all;
}

}

NotificationDesktop::NotificationDesktop()
{
    if (!m_xserver.failure().isEmpty()) {
        m_failure = m_xserver.failure();
        return;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_xserver.display());
    environment.insert("XDG_CONFIG_HOME", m_folder.path());
    m_service.setProcessEnvironment(environment);
    m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_service.setStandardOutputFile(QProcess::nullDevice());
    m_service.start("dunst", {});
    m_service.waitForStarted(5000);

    m_monitor.setStandardOutputFile(m_folder.filePath("monitor.txt"));
    m_monitor.start("dbus-monitor", {"--session", QString("type='method_call',interface='%1',member='Notify'").arg(Service),
                                     "type='method_return'"});
    m_monitor.waitForStarted(5000);

    QElapsedTimer clock;
    clock.start();
    const auto bus = QDBusConnection::sessionBus();
    while (clock.elapsed() < 10000
           && !(bus.isConnected() && bus.interface()->isServiceRegistered(Service)
                && QFile(m_folder.filePath("monitor.txt")).size() > 0))
        QThread::msleep(50);
    if (m_service.state() != QProcess::Running)
        m_failure = "dunst did not start (package dunst)";
    else if (m_monitor.state() != QProcess::Running)
        m_failure = "dbus-monitor did not start (package dbus-bin)";
    else if (clock.elapsed() >= 10000)
        m_failure = "no notification service on the session bus within 10 s";
}

NotificationDesktop::~NotificationDesktop()
{
    stop(m_monitor);
    stop(m_service);
}

// dbus-monitor prints a message as a header line and its arguments
// indented below; a string that holds line breaks goes on unindented.
std::vector<NotificationDesktop::Call> NotificationDesktop::calls() const
{
    QFile file(m_folder.filePath("monitor.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression header(R"(^(method call|method return|signal|error) [^\n]*)",
                                           QRegularExpression::MultilineOption);
    static const QRegularExpression serial(R"( serial=(\d+))");
    static const QRegularExpression replySerial(R"(reply_serial=(\d+))");
    static const QRegularExpression number(R"(uint32 (\d+))");

    std::vector<Call> calls;
    QMap<QString, std::size_t> bySerial;
    auto it = header.globalMatch(text);
    auto next = it.hasNext() ? it.next() : QRegularExpressionMatch();
    while (next.hasMatch()) {
        const QRegularExpressionMatch current = next;
        next = it.hasNext() ? it.next() : QRegularExpressionMatch();
        const qsizetype end = next.hasMatch() ? next.capturedStart() : text.size();
        const QString block = text.mid(current.capturedEnd(), end - current.capturedEnd());
        const QString head = current.captured(0);
        if (head.startsWith("method call") && head.contains("member=Notify")) {
            const QStringList s = strings(block);
            Call call{s.value(0), number.match(block).captured(1).toUInt(), s.value(1), s.value(2), s.value(3),
                      block, 0};
            bySerial.insert(serial.match(head).captured(1), calls.size());
            calls.push_back(call);
        } else if (head.startsWith("method return")) {
            const auto found = bySerial.find(replySerial.match(head).captured(1));
            if (found != bySerial.end())
                calls[*found].id = number.match(block).captured(1).toUInt();
        }
    }
    return calls;
}
