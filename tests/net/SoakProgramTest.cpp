#include "HostLogs.h"
#include "ProgramRun.h"
#include "ResponderLog.h"
#include "TestNet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using testnet::recordsOf;

struct SoakHost {
    const char* text;
    const char* responderAddress;  // null: not served by the responder
    bool silent;
};

const std::vector<SoakHost> Hosts{
    {testnet::FastName, nullptr, false},           {testnet::DelayedName, testnet::Delayed, false},
    {testnet::Delayed200Name, testnet::Delayed200, false}, {testnet::SilentName, testnet::Silent, true},
    {testnet::OtherName, testnet::OtherAddr, false},  {testnet::Unrouted, nullptr, false},
    {testnet::LoopTarget, nullptr, false},          {testnet::UnknownName, nullptr, false},
    {testnet::MixedName, testnet::Mixed, false},     {testnet::DuplicatedName, testnet::Duplicated, false},
};

// A silent echo is recorded when its time-out ends, five ticks later.
constexpr std::size_t SilentInFlight = 5;
constexpr int SampleEverySeconds = 10;
constexpr int WarmUpSeconds = 30;
// What a poll log keeps per line: its text in Latin-1 and one 32-bit entry.
constexpr qint64 PollLogBytesPerLine = 64;
// For the plain build that `make soak` runs: a sanitized program holds what
// it frees in quarantine, which grows its memory by design.
constexpr qint64 AllowedGrowthBytes = 4 * 1024 * 1024;

int soakSeconds()
{
    const char* text = std::getenv("QV_SOAK_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 600;
}

std::map<std::string, std::size_t> responderRequests()
{
    std::map<std::string, std::size_t> counts;
    for (const auto& entry : testnet::ResponderLog::read())
        ++counts[entry.dst];
    return counts;
}

qint64 residentBytes(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

double megabytes(qint64 bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The real program polls ten hosts of every kind once a second for ten
// minutes with "Write log" on. Every request a test host received leaves
// exactly one well-formed record, and the memory grows by no more than the
// poll logs' own text.
TEST(SoakProgram, EveryEchoIsRecordedOnceAndMemoryStaysFlat)
{
    const int seconds = soakSeconds();
    const auto requestsBefore = responderRequests();
    QStringList lines;
    for (const SoakHost& host : Hosts)
        lines << QString(host.text) + ";soak;50";
    ProgramRun program(lines, {"interval=1", "writelog=yes"});
    program.start();

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> samples;
    qint64 baseline = -1;
    std::size_t recordsAtBaseline = 0;
    while (clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(static_cast<unsigned long>(SampleEverySeconds * 1000LL - clock.elapsed() % (SampleEverySeconds * 1000LL)));
        const qint64 rss = residentBytes(program.pid());
        ASSERT_GT(rss, 0) << "the program ended after " << clock.elapsed() / 1000 << " s";
        samples.push_back(rss);
        if (baseline < 0 && clock.elapsed() >= WarmUpSeconds * 1000LL) {
            baseline = rss;
            recordsAtBaseline = static_cast<std::size_t>(program.logRecords().size());
        }
    }

    // Halfway to the next tick: every echo that can have ended has ended.
    const auto fastBefore = recordsOf(program.logRecords(), testnet::FastName).size();
    while (recordsOf(program.logRecords(), testnet::FastName).size() == fastBefore)
        QThread::msleep(20);
    QThread::msleep(450);
    const qint64 rssAtEnd = residentBytes(program.pid());
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const QStringList records = program.logRecords();
    const auto requestsAfter = responderRequests();
    const std::size_t ticks = static_cast<std::size_t>(recordsOf(records, testnet::FastName).size());
    ASSERT_GE(ticks, static_cast<std::size_t>(seconds) - 5);

    const QRegularExpression wellFormed(R"(^[^,]*, [^,]*, [^,]*, \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)");
    std::size_t malformed = 0;
    for (const QString& record : records) {
        if (!wellFormed.match(record).hasMatch() && malformed++ < 5)
            ADD_FAILURE() << "malformed record: " << record.toStdString();
    }
    EXPECT_EQ(malformed, 0u);

    std::size_t lost = 0;
    std::size_t doubled = 0;
    std::printf("[ figures  ] %d s, %zu ticks, %lld records\n", seconds, ticks, static_cast<long long>(records.size()));
    for (const SoakHost& host : Hosts) {
        const std::size_t recorded = static_cast<std::size_t>(recordsOf(records, host.text).size());
        std::size_t expected = ticks;
        std::size_t requests = 0;
        if (host.responderAddress) {
            requests = requestsAfter.count(host.responderAddress) ? requestsAfter.at(host.responderAddress) : 0;
            if (requestsBefore.count(host.responderAddress))
                requests -= requestsBefore.at(host.responderAddress);
            expected = requests - (host.silent ? SilentInFlight : 0);
            EXPECT_EQ(requests, ticks) << host.text << ": one request per tick";
        }
        EXPECT_EQ(recorded, expected) << host.text;
        lost += recorded < expected ? expected - recorded : 0;
        doubled += recorded > expected ? recorded - expected : 0;
        std::printf("[ figures  ]   %-14s requests %6s  records %6zu  expected %6zu\n", host.text,
                    host.responderAddress ? std::to_string(requests).c_str() : "-", recorded, expected);
    }
    std::printf("[ figures  ] records lost %zu, doubled %zu, malformed %zu\n", lost, doubled, malformed);

    ASSERT_GE(baseline, 0) << "the soak is shorter than its warm-up";
    const qint64 growth = rssAtEnd - baseline;
    const qint64 logText = (records.size() - static_cast<qint64>(recordsAtBaseline)) * PollLogBytesPerLine;
    const qint64 peak = *std::max_element(samples.begin(), samples.end());
    std::printf("[ figures  ] RSS first %.1f MB, after warm-up %.1f MB, end %.1f MB, peak %.1f MB; growth %.2f MB, "
                "poll log text %.2f MB, beyond it %.2f MB\n",
                megabytes(samples.front()), megabytes(baseline), megabytes(rssAtEnd), megabytes(peak),
                megabytes(growth), megabytes(logText), megabytes(growth - logText));
    EXPECT_LT(growth - logText, AllowedGrowthBytes);
}

}
