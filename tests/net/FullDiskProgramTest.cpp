#include "HistoryTestSupport.h"
#include "ProgramRun.h"

#include "monitor/history/HistoryWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ostream>
#include <string>

#include <sys/mount.h>

namespace {

// A small tmpfs for the program and its log; CTest starts this test in a
// mount namespace of its own (unshare -m), so that nobody else sees it.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
        : m_mounted(::mount("quorvane-test", QFile::encodeName(m_point.path()).constData(), "tmpfs", 0,
                            ("size=" + QByteArray::number(bytes)).constData()) == 0)
    {
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_point.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_point.path(); }

    // Takes all the room there is, then gives one page of it back.
    bool fillAllButAPage()
    {
        QFile filler(path() + "/filler");
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        return filler.resize(QFileInfo(filler).size() - 4096);
    }
    bool free() { return QFile::remove(path() + "/filler"); }
    bool setReadOnly(bool on)
    {
        return ::mount(nullptr, QFile::encodeName(path()).constData(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0),
                       nullptr) == 0;
    }

private:
    QTemporaryDir m_point;
    bool m_mounted;
};

// The log has not grown for stillMs: the disk is full.
void waitUntilStill(const QString& path, int stillMs, int maxMs)
{
    QElapsedTimer clock, still;
    clock.start();
    still.start();
    for (qint64 size = -1; still.elapsed() < stillMs && clock.elapsed() < maxMs; QThread::msleep(50)) {
        if (const qint64 now = QFileInfo(path).size(); now != size) {
            size = now;
            still.restart();
        }
    }
}

// Ten hosts a second fill the last page of a full disk; when room comes
// back, the log goes on with whole records, and the user is told how many
// were lost.
TEST(FullDisk, RecordsStayWholeAndResumeWhenThereIsRoom)
{
    SmallDisk disk(QFileInfo(QUORVANE_PROGRAM).size() + 2 * 1024 * 1024);
    ASSERT_TRUE(disk.mounted()) << "mount tmpfs: " << std::strerror(errno);
    QStringList hosts;
    for (int i = 1; i <= 10; ++i)
        hosts << QString("127.0.0.%1;host %1;50").arg(i);
    ProgramRun program(hosts, {"interval=1", "writelog=yes"}, disk.path());
    program.keepErrors();
    program.start();
    QElapsedTimer clock;
    clock.start();
    while (program.logRecords().size() < 10 && clock.elapsed() < 10000)
        QThread::msleep(50);
    ASSERT_TRUE(disk.fillAllButAPage());
    waitUntilStill(program.logFilePath(), 2500, 30000);
    const auto whileFull = program.logRecords().size();
    ASSERT_TRUE(disk.free());
    QThread::msleep(3500);
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const QRegularExpression record(R"(^127\.0\.0\.\d+, 32 bytes, \d+ms, \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)");
    // logRecords() splits at CR LF: a record cut short joins the next.
    const QStringList records = program.logRecords();
    for (const QString& line : records)
        EXPECT_TRUE(record.match(line).hasMatch()) << line.toStdString();
    EXPECT_GE(records.size(), whileFull + 20) << "records resume once there is room";
    const QString errors = program.errors();
    const QRegularExpression resumed("quorvane: the log file " + QRegularExpression::escape(program.logFilePath())
                                     + R"( is written again; \d+ records? (was|were) lost\n)");
    EXPECT_TRUE(resumed.match(errors).hasMatch()) << errors.toStdString();
    EXPECT_EQ(errors.count("No space left on device"), 1) << "once per outage: " << errors.toStdString();
}

// What keeps the history from its disk for a while, and how it ends.
struct Blocking {
    const char* name;
    bool (*block)(SmallDisk&);
    bool (*unblock)(SmallDisk&);
    const char* told;  // in the one message of the trouble
    // A file open for writing keeps its disk from being made read-only:
    // such a folder is read-only before the history's first echo.
    bool beforeTheFirstEcho;

    friend void PrintTo(const Blocking& b, std::ostream* out) { *out << b.name; }
};

class HistoryBlocked : public testing::TestWithParam<Blocking> {};

// The history on a disk it cannot write: told once, its echoes wait, and
// every one of them is written once the disk takes them again.
TEST_P(HistoryBlocked, WaitsAndKeepsEveryEcho)
{
    const Blocking& b = GetParam();
    SmallDisk disk(4 * 1024 * 1024);
    ASSERT_TRUE(disk.mounted()) << "mount tmpfs: " << std::strerror(errno);
    const QString path = disk.path() + "/history.sqlite";
    HistoryWriter writer(path);
    writer.setRetryMs(0);
    QStringList troubled, recovered;
    QObject::connect(&writer, &HistoryWriter::troubled, [&](const QString& m) { troubled << m; });
    QObject::connect(&writer, &HistoryWriter::recovered, [&](const QString& m) { recovered << m; });
    qint64 at = 1'800'000'000'000;
    if (b.beforeTheFirstEcho) {
        ASSERT_TRUE(b.block(disk)) << std::strerror(errno);
    }
    writer.take({historyEcho("first.test", at, 1)});
    if (!b.beforeTheFirstEcho) {
        ASSERT_TRUE(b.block(disk)) << std::strerror(errno);
    }
    for (int batch = 0; batch < 50; ++batch) {
        HistoryBatch echoes;
        for (int i = 0; i < 100; ++i)
            echoes.push_back(historyEcho(QString("host%1.test").arg(i % 10), ++at, i));
        writer.take(echoes);
    }
    ASSERT_EQ(troubled.size(), 1) << troubled.join('\n').toStdString();
    EXPECT_TRUE(troubled[0].contains(b.told, Qt::CaseInsensitive)) << troubled[0].toStdString();
    ASSERT_TRUE(b.unblock(disk)) << std::strerror(errno);
    writer.take({historyEcho("last.test", ++at, 2)});
    writer.finish();
    EXPECT_EQ(recovered.size(), 1);
    EXPECT_EQ(historyRows(path, "SELECT count(*) FROM echoes"), QStringList({"5002"}));
}

INSTANTIATE_TEST_SUITE_P(
    FullDisk, HistoryBlocked,
    testing::Values(Blocking{"full", [](SmallDisk& d) { return d.fillAllButAPage(); },
                             [](SmallDisk& d) { return d.free(); }, "full", false},
                    Blocking{"read_only", [](SmallDisk& d) { return d.setReadOnly(true); },
                             [](SmallDisk& d) { return d.setReadOnly(false); }, "read-only", true}),
    [](const auto& info) { return std::string(info.param.name); });

}
