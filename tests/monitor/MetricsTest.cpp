#include "monitor/metrics/EchoMetrics.h"
#include "monitor/metrics/MetricsFileWriter.h"
#include "monitor/metrics/MetricsText.h"

#include "ping/PingThrd.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>

namespace {

struct LabelCase {
    const char* test;
    QString text;
    QByteArray label;

    friend void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.test; }
};

class MetricsLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(MetricsLabel, IsEscapedAsTheFormatDemands)
{
    EXPECT_EQ(MetricsText::labelValue(GetParam().text), GetParam().label);
}

const QString Cut = QString(MetricsText::MaxLabelLength, 'x');

INSTANTIATE_TEST_SUITE_P(
    Texts, MetricsLabel,
    testing::Values(LabelCase{"plain", "Router 1", "\"Router 1\""},
                    LabelCase{"backslash and quote", R"(C:\ "x")", R"("C:\\ \"x\"")"},
                    LabelCase{"line feed escaped", "a\nb", R"("a\nb")"},
                    LabelCase{"other controls escaped", QString("a\tb\rc") + QChar(0) + QChar(0x7f) + QChar(0x85),
                              R"("a\\x09b\\x0dc\\x00\\x7f\\x85")"},
                    LabelCase{"backslashes before an x doubled", R"(C:\\xfer)", R"("C:\\\\\\\\xfer")"},
                    LabelCase{"backslash before a control doubled", QString("a\\") + QChar(1), R"("a\\\\\\x01")"},
                    LabelCase{"UTF-8 kept", QString::fromUtf8("Büro 🖧"), QString::fromUtf8("\"Büro 🖧\"").toUtf8()},
                    LabelCase{"lone surrogate replaced", QString("a") + QChar(0xd800), "\"a?\""},
                    LabelCase{"megabytes cut", QString(1 << 20, 'x'), "\"" + Cut.toUtf8() + "\xe2\x80\xa6\""},
                    LabelCase{"no pair split at the cut", Cut.left(MetricsText::MaxLabelLength - 1) + QString::fromUtf8("🖧"),
                              "\"" + Cut.left(MetricsText::MaxLabelLength - 1).toUtf8() + "\xe2\x80\xa6\""}),
    [](const auto& info) { return QString(info.param.test).replace(' ', '_').replace('-', '_').toStdString(); });

// A script of what the window tells the metrics, one step per ';':
//   sent a        an echo to host a (echoes are numbered a0, a1, ... per host)
//   early a       an echo to a, sent before the file was chosen
//   reply a0 RTT  echo a0 answered    lost a0 KIND  timeout, foreign, untold, notsent
//   down a        a's echoes so far lost in a row, enough for the down-watch
//   tick a b=D    the slots show these hosts (description D)
// The text after the last tick is compared line by line with what is
// expected: "NAME{LABELS} VALUE" is present, "!PREFIX" starts no line.
struct ScriptCase {
    const char* test;
    const char* script;
    QStringList lines;

    friend void PrintTo(const ScriptCase& c, std::ostream* out) { *out << c.test; }
};

QByteArray run(const ScriptCase& c, const QString& path)
{
    HostDownWatch watch;
    EchoMetrics metrics(watch);
    std::map<QString, SentEcho> echoes;
    std::map<QString, int> count;
    std::vector<SentEcho> early;
    for (int i = 0; i < 3; ++i)
        early.push_back(SentEcho::next(Moment::now()));
    metrics.setPath(path);
    std::vector<EchoMetrics::ShownHost> shown;
    for (const QString& step : QString(c.script).split(';', Qt::SkipEmptyParts)) {
        const QStringList word = step.split(' ', Qt::SkipEmptyParts);
        if (word[0] == "sent" || word[0] == "early") {
            const SentEcho echo = word[0] == "sent" ? SentEcho::next(Moment::now()) : early.at(count[word[1]]);
            echoes[word[1] + QString::number(count[word[1]]++)] = echo;
            if (word[0] == "sent")
                metrics.echoSent(word[1], echo);
        } else if (word[0] == "reply" || word[0] == "lost") {
            TPingThread worker;
            worker.HostText = word[1].left(1);
            worker.HostIP = "10.0.0.1";
            worker.ReplyAddress = word.value(2) == "foreign" ? "10.0.0.2" : worker.HostIP;
            worker.ReplyCount = word[0] == "reply" || word.value(2) == "foreign" ? 1 : 0;
            worker.RoundTripTime = word.value(2).toUInt();
            worker.ErrorText = word.value(2) == "timeout" ? "Request timed out" : "";
            worker.ConstructionError = word.value(2) == "notsent" ? "Unable to get ping handle" : "";
            metrics.echoEnded(EchoOutcome::of(worker, echoes.at(word[1]), Moment::now()));
        } else if (word[0] == "down") {
            for (const auto& [name, echo] : echoes)
                if (name.startsWith(word[1]))
                    watch.lost(word[1], {}, echo, "Request timed out", Moment::now());
        } else {
            shown.clear();
            for (const QString& host : word.mid(1))
                shown.push_back({host.section('=', 0, 0), host.section('=', 1)});
            metrics.tick(shown);
        }
    }
    return metrics.text(shown);
}

class EchoMetricsScript : public testing::TestWithParam<ScriptCase> {};

TEST_P(EchoMetricsScript, GivesTheseSamples)
{
    QTemporaryDir folder;
    const QStringList text = QString::fromUtf8(run(GetParam(), folder.filePath("q.prom"))).split('\n');
    for (const QString& line : GetParam().lines) {
        if (line.startsWith('!'))
            EXPECT_FALSE(text.filter(QRegularExpression("^" + QRegularExpression::escape(line.mid(1)))).size())
                << line.toStdString() << " in\n" << text.join('\n').toStdString();
        else
            EXPECT_TRUE(text.contains(line)) << line.toStdString() << " not in\n" << text.join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, EchoMetricsScript,
    testing::Values(
        ScriptCase{"one reply", "sent a; reply a0 37; tick a",
                   {"quorvane_echo_requests_total{host=\"a\"} 1", "quorvane_echo_replies_total{host=\"a\"} 1",
                    "quorvane_echo_lost_total{host=\"a\"} 0", "quorvane_echo_rtt_seconds{host=\"a\"} 0.037",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"0.025\"} 0",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"0.05\"} 1",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"+Inf\"} 1",
                    "quorvane_echo_round_trip_seconds_sum{host=\"a\"} 0.037",
                    "quorvane_echo_round_trip_seconds_count{host=\"a\"} 1", "quorvane_host_down{host=\"a\"} 0"}},
        ScriptCase{"in flight counts as requested only", "sent a; sent a; reply a1 2; tick a",
                   {"quorvane_echo_requests_total{host=\"a\"} 2", "quorvane_echo_replies_total{host=\"a\"} 1",
                    "quorvane_echo_lost_total{host=\"a\"} 0"}},
        ScriptCase{"every unanswered kind is lost", "sent a; sent a; sent a; lost a0 timeout; lost a1 foreign; lost a2 untold; tick a",
                   {"quorvane_echo_replies_total{host=\"a\"} 0", "quorvane_echo_lost_total{host=\"a\"} 3",
                    "quorvane_echo_round_trip_seconds_count{host=\"a\"} 0", "!quorvane_echo_rtt_seconds"}},
        ScriptCase{"an echo that could not be sent is neither requested nor lost", "sent a; sent a; lost a0 notsent; reply a1 2; tick a",
                   {"quorvane_echo_requests_total{host=\"a\"} 1", "quorvane_echo_lost_total{host=\"a\"} 0"}},
        ScriptCase{"bucket edges", "sent a; sent a; sent a; sent a; reply a0 0; reply a1 1; reply a2 5000; reply a3 5001; tick a",
                   {"quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"0.001\"} 2",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"2.5\"} 2",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"5\"} 3",
                    "quorvane_echo_round_trip_seconds_bucket{host=\"a\",le=\"+Inf\"} 4",
                    "quorvane_echo_round_trip_seconds_sum{host=\"a\"} 10.002",
                    "quorvane_echo_rtt_seconds{host=\"a\"} 5.001"}},
        ScriptCase{"two slots one host: one series, first description", "sent a; sent a; reply a0 3; reply a1 4; tick a a=Router a=Other",
                   {"quorvane_echo_requests_total{host=\"a\",description=\"Router\"} 2",
                    "quorvane_echo_rtt_seconds{host=\"a\",description=\"Router\"} 0.004",
                    "!quorvane_echo_requests_total{host=\"a\"}", "!quorvane_echo_requests_total{host=\"a\",description=\"Other\"}"}},
        ScriptCase{"echoes sent before the file count nothing", "early a; sent a; reply a0 9; reply a1 8; tick a",
                   {"quorvane_echo_requests_total{host=\"a\"} 1", "quorvane_echo_replies_total{host=\"a\"} 1",
                    "quorvane_echo_rtt_seconds{host=\"a\"} 0.008"}},
        ScriptCase{"a host no slot shows leaves, and comes back from zero", "sent a; sent b; reply a0 1; tick b; reply b0 1; tick a b",
                   {"quorvane_echo_requests_total{host=\"a\"} 0", "quorvane_echo_replies_total{host=\"a\"} 0",
                    "quorvane_echo_replies_total{host=\"b\"} 1"}},
        ScriptCase{"down while the down-watch says so", "sent a; sent a; sent a; sent b; down a; tick a b",
                   {"quorvane_host_down{host=\"a\"} 1", "quorvane_host_down{host=\"b\"} 0"}},
        ScriptCase{"no hosts, no families", "tick", {"!#", "!quorvane"}}),
    [](const auto& info) {
        return QString(info.param.test).replace(QRegularExpression("[^A-Za-z0-9]+"), "_").toStdString();
    });

// The text of several hosts, hostile descriptions among them, as
// Prometheus' own checker reads it: format and naming rules alike.
TEST(MetricsFile, PassesPromtoolCheck)
{
    QTemporaryDir folder;
    const QByteArray text = run({"", "sent a; sent b; sent c; sent c; reply a0 37; lost b0 timeout; reply c0 0; "
                                     "tick a=Büro\\\"\n b=x\ty c",
                                 {}},
                                folder.filePath("q.prom"));
    ASSERT_TRUE(text.contains("description=\"Büro\\\\\\\"\\n\"")) << text.toStdString();
    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    ASSERT_TRUE(promtool.waitForStarted(10000)) << "promtool (Debian package prometheus) is missing";
    promtool.write(text);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(20000));
    EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAllStandardError().toStdString() << "\n" << text.toStdString();
    EXPECT_EQ(promtool.readAll(), "");
}

// What the writer leaves on disk and tells, for each kind of place it is
// pointed at.
struct WriterCase {
    const char* test;
    const char* place;        // regular, fifo, missing folder, folder appears
    QByteArray contents;      // of the file after the last write; "fifo" for a FIFO left alone
    QStringList news;         // each a part of one message, in order
};

class MetricsFileWriting : public testing::TestWithParam<WriterCase> {};

TEST_P(MetricsFileWriting, LeavesAndTells)
{
    const WriterCase& c = GetParam();
    QTemporaryDir world;
    const QString place = c.place;
    const QString path = world.filePath(place.contains("folder") ? "gone/q.prom" : "q.prom");
    if (place == "fifo") {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    QStringList news;
    {
        MetricsFileWriter writer;
        QObject::connect(&writer, &MetricsFileWriter::news, [&news](const QString& m) { news << m; });
        writer.setPath(path);
        writer.write("first\n");
        if (place == "folder appears") {
            ASSERT_TRUE(QTest::qWaitFor([&] { return news.size() == 1; }, 5000));
            QDir(world.path()).mkdir("gone");
        }
        writer.write("second\n");
        const auto settled = [&] {
            QFile file(path);
            const bool contentsThere = c.contents.isEmpty() || c.contents == "fifo"
                || (file.open(QIODevice::ReadOnly) && file.readAll() == c.contents);
            return news.size() >= c.news.size() && contentsThere;
        };
        EXPECT_TRUE(QTest::qWaitFor(settled, 5000));
        // Nothing more may come.
        QTest::qWait(50);
        ASSERT_EQ(news.size(), c.news.size()) << news.join('\n').toStdString();
        for (qsizetype i = 0; i < news.size(); ++i)
            EXPECT_TRUE(news[i].contains(c.news[i])) << news[i].toStdString();
        QFile file(path);
        if (c.contents == "fifo") {
            struct stat status {};
            EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
            EXPECT_TRUE(S_ISFIFO(status.st_mode));
        } else if (!c.contents.isEmpty()) {
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.contents);
            EXPECT_EQ(file.permissions() & QFile::ReadOther, QFile::ReadOther) << "the collector runs as another user";
        }
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                  c.contents.isEmpty() ? 0 : 1)
            << "no temporary file is left beside";
    }
    EXPECT_EQ(QFile::exists(path), c.contents == "fifo") << "the end removes the file, never a FIFO";
}

INSTANTIATE_TEST_SUITE_P(
    Places, MetricsFileWriting,
    testing::Values(WriterCase{"regular", "regular", "second\n", {}},
                    WriterCase{"fifo", "fifo", "fifo", {"it is not a regular file"}},
                    WriterCase{"missing_folder", "missing folder", "", {"No such file or directory"}},
                    WriterCase{"folder_appears", "folder appears", "second\n",
                               {"No such file or directory", "is written again"}}),
    [](const auto& info) { return std::string(info.param.test); });

}
