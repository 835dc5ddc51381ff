#include "ProgramRun.h"
#include "TestNet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

namespace {

// A server of the test's own on loopback, its output kept in a file for
// the failure message, ended with the test whatever happens.
class Server {
public:
    Server(const QString& program, const QStringList& arguments, const QString& logFile)
        : m_logFile(logFile)
    {
        m_process.setStandardOutputFile(logFile);
        m_process.setStandardErrorFile(logFile, QIODevice::Append);
        m_process.start(program, arguments);
        EXPECT_TRUE(m_process.waitForStarted(5000)) << program.toStdString() << " is missing";
    }
    ~Server()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    QString log() const
    {
        QFile file(m_logFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(4000)) : QString();
    }

private:
    QString m_logFile;
    QProcess m_process;
};

// The value Prometheus answers for an instant query, if it has one yet.
std::optional<double> query(const QString& expression)
{
    QProcess promtool;
    promtool.start("promtool", {"query", "instant", "http://127.0.0.1:9090", expression});
    if (!promtool.waitForFinished(5000) || promtool.exitCode() != 0)
        return std::nullopt;
    const auto match = QRegularExpression(R"(=> (\S+) @)").match(QString::fromUtf8(promtool.readAll()));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

// The program writes its metrics file into node_exporter's textfile folder;
// a real Prometheus scrapes node_exporter every second, and is asked for
// the last round trip of the host that answers after 37 ms. Everything
// listens on the client namespace's loopback only.
TEST(Prometheus, AnswersTheSlowHostsRoundTrip)
{
    QTemporaryDir world;
    const QDir folder(world.path());
    folder.mkdir("textfile");
    folder.mkdir("data");
    QFile config(folder.filePath("prometheus.yml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                 "scrape_configs:\n  - job_name: node\n    static_configs:\n      - targets: ['127.0.0.1:9100']\n");
    config.close();

    ProgramRun program({QString(testnet::DelayedName) + ";slow;50", QString(testnet::FastName) + ";fast;50"},
                       {"interval=1", "metricsfile=" + folder.filePath("textfile/quorvane.prom")});
    program.start();
    Server exporter("prometheus-node-exporter",
                    {"--web.listen-address=127.0.0.1:9100", "--collector.disable-defaults", "--collector.textfile",
                     "--collector.textfile.directory=" + folder.filePath("textfile")},
                    folder.filePath("node-exporter.log"));
    Server prometheus("prometheus",
                      {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + folder.filePath("data"),
                       "--web.listen-address=127.0.0.1:9090"},
                      folder.filePath("prometheus.log"));

    const QString expression = QString(R"(quorvane_echo_rtt_seconds{host="%1",description="slow"})").arg(testnet::DelayedName);
    std::optional<double> seconds;
    within(40000, [&] {
        seconds = query(expression);
        return seconds.has_value();
    });
    ASSERT_TRUE(seconds) << "node_exporter:\n" << exporter.log().toStdString() << "\nprometheus:\n"
                         << prometheus.log().toStdString();
    const double slack = testnet::SanitizedRoundTripSlackMs / 1000.0;
    EXPECT_GE(*seconds, 0.037);
    EXPECT_LE(*seconds, 0.039 + slack);
    EXPECT_EQ(program.stop(SIGTERM, 3000), 0);
    EXPECT_FALSE(QFile::exists(folder.filePath("textfile/quorvane.prom"))) << "a program that ends takes its file along";
}

}
