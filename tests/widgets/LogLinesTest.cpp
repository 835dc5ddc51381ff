#include "widgets/LogLines.h"

#include <QBuffer>
#include <QByteArray>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <string>

namespace {

// What the store must behave like: a plain queue of strings.
class Mirrored {
public:
    void append(const QString& line)
    {
        lines.append(line);
        expected.push_back(line);
    }

    void removeFirst()
    {
        lines.removeFirst();
        if (!expected.empty())
            expected.pop_front();
    }

    // The oldest and newest lines are where a chunk is dropped or started.
    void expectEnds() const
    {
        ASSERT_EQ(lines.count(), qsizetype(expected.size()));
        if (expected.empty())
            return;
        ASSERT_EQ(lines.at(0), expected.front());
        ASSERT_EQ(lines.at(lines.count() - 1), expected.back());
    }

    QStringList expectedList() const { return QStringList(expected.begin(), expected.end()); }

    LogLines lines;
    std::deque<QString> expected;
};

QString replyLine(int n)
{
    return QStringLiteral("10.0.%1.%2, 32 bytes, %3ms, 2026.12.06 23:01:%4.7")
        .arg(n % 256)
        .arg(n % 7)
        .arg(n % 1000)
        .arg(n % 60, 2, 10, QLatin1Char('0'));
}

// Lines of every kind the store keeps differently, in a fixed mix.
QString mixedLine(int n)
{
    switch (n % 9) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("Error: h\u00F6st-%1.test, Request timed out").arg(n);
    case 2:
        return QStringLiteral("Error: \u4F8B\u3048-%1.\u30C6\u30B9\u30C8, Destination host unreachable").arg(n);
    case 3:
        return QStringLiteral("\U0001F642 %1").arg(n);
    case 4:
        // Longer than the store's chunks, in both forms.
        return n % 2 ? QString(40000 + n % 13, QChar(0x4E00 + n % 100)) : QString(70000 + n % 13, QChar(u'a' + n % 26));
    default:
        return replyLine(n).left(30 + n % 30);
    }
}

TEST(LogLinesTest, KeepsOrderWhenTheOldestLinesAreRemovedBetweenAppends)
{
    Mirrored log;
    for (int n = 0; n < 6000; ++n)
        log.append(replyLine(n));
    for (int n = 0; n < 4500; ++n) {
        log.removeFirst();
        log.expectEnds();
    }
    for (int n = 6000; n < 9000; ++n) {
        log.append(mixedLine(n));
        log.expectEnds();
        if (n % 3 == 0)
            log.removeFirst();
        if (n % 5 == 0)
            log.removeFirst();
        log.expectEnds();
    }
    ASSERT_EQ(log.lines.count(), qsizetype(log.expected.size()));
    EXPECT_EQ(log.lines.toStringList(), log.expectedList());
    for (qsizetype i = 0; i < log.lines.count(); i += 97)
        EXPECT_EQ(log.lines.at(i), log.expected[size_t(i)]) << "line " << i;
}

TEST(LogLinesTest, KeepsTheNewestLinesWhenTrimmedToAFixedLength)
{
    Mirrored log;
    for (int n = 0; n < 20000; ++n) {
        log.append(n % 50 == 0 ? mixedLine(n) : replyLine(n));
        while (log.lines.count() > 1000)
            log.removeFirst();
        log.expectEnds();
    }
    EXPECT_EQ(log.lines.toStringList(), log.expectedList());
}

TEST(LogLinesTest, StartsAfreshWhenEmptiedOrCleared)
{
    Mirrored log;
    for (int n = 0; n < 3000; ++n)
        log.append(replyLine(n));
    for (int n = 0; n < 3001; ++n)
        log.removeFirst();
    EXPECT_EQ(log.lines.count(), 0);
    for (int n = 0; n < 3000; ++n) {
        log.append(mixedLine(n));
        log.expectEnds();
    }
    EXPECT_EQ(log.lines.toStringList(), log.expectedList());

    log.lines.clear();
    log.expected.clear();
    EXPECT_EQ(log.lines.count(), 0);
    EXPECT_TRUE(log.lines.toStringList().isEmpty());
    for (int n = 0; n < 2000; ++n)
        log.append(mixedLine(n));
    EXPECT_EQ(log.lines.toStringList(), log.expectedList());
}

TEST(LogLinesTest, ReadsOutsideTheLinesAreEmpty)
{
    LogLines lines;
    EXPECT_TRUE(lines.at(0).isNull());
    lines.append(QStringLiteral("only"));
    EXPECT_TRUE(lines.at(-1).isNull());
    EXPECT_TRUE(lines.at(1).isNull());
    EXPECT_EQ(lines.at(0), QStringLiteral("only"));
}

TEST(LogLinesTest, GivesBackEveryStringExactly)
{
    const QStringList written{
        QStringLiteral("odd length"),
        QStringLiteral("Error: b\u00FCcher.\u4F8B\u3048.\u30C6\u30B9\u30C8, Request timed out"),
        QStringLiteral("\u00A0\u00FF\u0100 edges of Latin-1"),
        QStringLiteral("pair \U0001F642 and lone ") + QChar(0xD800),
        QString(),
        QStringLiteral("caf\u00E9"),
    };
    LogLines lines;
    for (const QString& line : written)
        lines.append(line);
    EXPECT_EQ(lines.toStringList(), written);
}

TEST(LogLinesTest, SavesEveryLineInUtf8)
{
    LogLines lines;
    lines.append(QStringLiteral("caf\u00E9"));
    lines.append(QStringLiteral("\u00E9\u03A9"));
    lines.append(QString());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(lines.writeTo(buffer));
    EXPECT_EQ(buffer.data(), QByteArray("caf\xC3\xA9\r\n\xC3\xA9\xCE\xA9\r\n\r\n"));
}

TEST(LogLinesTest, SavesManyLinesThatReadBackOneByOne)
{
    constexpr int count = 200000;
    LogLines lines;
    for (int n = 0; n < count; ++n)
        lines.append(n % 1000 == 1 ? QStringLiteral("Error: \u00E9-%1.test, Request timed out").arg(n) : replyLine(n));
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(lines.writeTo(file));
    ASSERT_TRUE(file.seek(0));

    int n = 0;
    while (!file.atEnd()) {
        const QByteArray read = file.readLine();
        ASSERT_LT(n, count);
        ASSERT_TRUE(read.endsWith("\r\n")) << "line " << n;
        ASSERT_EQ(QString::fromUtf8(read.chopped(2)), lines.at(n)) << "line " << n;
        ++n;
    }
    EXPECT_EQ(n, count);
}

TEST(LogLinesTest, ReportsADeviceThatTakesNothing)
{
    LogLines lines;
    lines.append(QStringLiteral("lost"));
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(lines.writeTo(readOnly));
}

} // namespace

// Older lines are packed into blocks a few thousand lines long; what comes
// back, read line by line in any order or saved, must be what went in, at
// every block edge and after lines were dropped from the front; so must the
// count of characters before a line.
struct PackedCase {
    const char* name;
    int lines;
    int removed;
    // Every how many lines a line of another kind (see mixedLine) comes.
    int mixEvery;
    // Trimmed to this many lines after each append, as the combined log
    // is; 0 for no trimming.
    int keep = 0;
};

void PrintTo(const PackedCase& c, std::ostream* out)
{
    *out << c.name;
}

class LogLinesPackedTest : public testing::TestWithParam<PackedCase> {};

TEST_P(LogLinesPackedTest, ReadsAndSavesExactlyWhatWentIn)
{
    const PackedCase& c = GetParam();
    Mirrored log;
    for (int n = 0; n < c.lines; ++n) {
        log.append(c.mixEvery > 0 && n % c.mixEvery == 0 ? mixedLine(n / c.mixEvery) : replyLine(n));
        while (c.keep > 0 && log.lines.count() > c.keep)
            log.removeFirst();
    }
    for (int n = 0; n < c.removed; ++n)
        log.removeFirst();
    ASSERT_EQ(log.lines.count(), qsizetype(log.expected.size()));

    // Backwards, then striding forwards: every read may need another block.
    for (qsizetype i = log.lines.count() - 1; i >= 0; --i)
        ASSERT_EQ(log.lines.at(i), log.expected[size_t(i)]) << "line " << i;
    for (qsizetype i = 0; i < log.lines.count(); i += 4093)
        ASSERT_EQ(log.lines.at(i), log.expected[size_t(i)]) << "line " << i;

    // Where each line starts in the joined lines, as a screen reader counts.
    qsizetype chars = 0;
    for (qsizetype i = 0; i <= log.lines.count(); ++i) {
        if (i % 997 == 0 || i >= log.lines.count() - 2) {
            ASSERT_EQ(log.lines.charsBefore(i), chars) << "line " << i;
        }
        if (i < log.lines.count())
            chars += log.expected[size_t(i)].size();
    }

    QByteArray wanted;
    for (const QString& line : log.expected)
        wanted += line.toUtf8() + "\r\n";
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    ASSERT_TRUE(log.lines.writeTo(saved));
    EXPECT_TRUE(saved.data() == wanted) << "saved " << saved.data().size() << " bytes, wanted " << wanted.size();
    EXPECT_EQ(log.lines.toStringList(), log.expectedList());
}

INSTANTIATE_TEST_SUITE_P(Blocks, LogLinesPackedTest,
    testing::Values(
        PackedCase{"OneShortOfABlock", 4095, 0, 0},
        PackedCase{"ExactlyOneBlock", 4096, 0, 0},
        PackedCase{"OneIntoTheSecondBlock", 4097, 0, 0},
        PackedCase{"ManyBlocks", 5 * 4096 + 17, 0, 0},
        PackedCase{"FirstBlockPartlyRemoved", 3 * 4096, 100, 0},
        PackedCase{"FirstBlockWhollyRemoved", 3 * 4096, 4096, 0},
        PackedCase{"AllButTheOpenLinesRemoved", 3 * 4096 + 5, 3 * 4096 + 2, 0},
        PackedCase{"WideAndEmptyLinesAcrossBlocks", 3 * 4096 + 9, 7, 7},
        PackedCase{"LongLinesCloseBlocksEarly", 300, 3, 2},
        PackedCase{"TrimmedWhileAppending", 3 * 4096 + 11, 0, 0, 1000},
        PackedCase{"TrimmedToLessThanABlockAndEmptied", 2 * 4096 + 3, 1000, 0, 1000}),
    [](const testing::TestParamInfo<PackedCase>& info) { return std::string(info.param.name); });
