#include "monitor/files/HostListFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* name;
    QString text;
    bool applies;
    QString host;
    std::optional<QString> description;
    std::optional<QString> threshold;
};

class HostLine : public testing::TestWithParam<LineCase> {};

TEST_P(HostLine, SplitsIntoHostDescriptionAndThreshold)
{
    const auto& c = GetParam();
    const auto line = HostListFile::parse(c.text);
    ASSERT_EQ(line.has_value(), c.applies);
    if (!line)
        return;
    EXPECT_EQ(line->host, c.host);
    EXPECT_EQ(line->description, c.description);
    EXPECT_EQ(line->threshold, c.threshold);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HostLine,
    testing::Values(
        LineCase{"AllThree", "10.0.0.1;Office;25", true, "10.0.0.1", QString("Office"), QString("25")},
        LineCase{"EmptyThresholdIsTen", "10.0.0.1;Office;", true, "10.0.0.1", QString("Office"), QString("10")},
        LineCase{"HostOnly", "10.0.0.1", true, "10.0.0.1", std::nullopt, std::nullopt},
        LineCase{"EmptyLineLeavesSlot", "", false, "", std::nullopt, std::nullopt},
        LineCase{"EmptiesHostAndDescription", ";;10", true, "", QString(""), QString("10")},
        LineCase{"LoneSeparatorGivesDescription", "router;Gateway", true, "router", QString("Gateway"), std::nullopt},
        LineCase{"ThresholdKeepsFurtherSeparators", "a;b;5;6", true, "a", QString("b"), QString("5;6")},
        LineCase{"NothingTrimmed", " host ; desc ; 7 ", true, " host ", QString(" desc "), QString(" 7 ")},
        LineCase{"BlanksAreNotEmpty", " ", true, " ", std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

class HostListFileOnDisk : public testing::Test {
protected:
    QString write(const QByteArray& bytes)
    {
        const QString path = dir.filePath("hosts.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(HostListFileOnDisk, AcceptsEveryLineEndAndKeepsTheFirstTenLines)
{
    const auto lines = HostListFile::readLines(write("a\r\nb\nc\rd\r\n\r\nf\ng\nh\ni\nj\nk\nl\n"));
    EXPECT_EQ(lines, (QStringList{"a", "b", "c", "d", "", "f", "g", "h", "i", "j"}));
    EXPECT_EQ(HostListFile::readLines(write("x\ny")), (QStringList{"x", "y"}));
    EXPECT_EQ(HostListFile::readLines(write("x\ny\n")), (QStringList{"x", "y"}));
    EXPECT_TRUE(HostListFile::readLines(write("")).isEmpty());
}

// The first ten lines decide: UTF-8 when they are valid UTF-8, else Latin-1
// so that no byte is lost; what follows them plays no part. A byte order
// mark in front is no part of the first host, whatever the encoding.
TEST_F(HostListFileOnDisk, ReadsUtf8WhenTheTenLinesAreValidElseLatin1)
{
    const QByteArray nineLines = QByteArray("x\n").repeated(9);
    const struct {
        QByteArray bytes;
        int line;
        QString expected;
    } cases[] = {
        {"h\xC3\xA9te;Caf\xC3\xA9", 0, QString::fromUtf8("h\xC3\xA9te;Caf\xC3\xA9")},
        {"h\xE9te;Caf\xE9", 0, QString::fromLatin1("h\xE9te;Caf\xE9")},
        {"h\xC3\xA9\n" + nineLines + "\xFF\n", 0, QString::fromUtf8("h\xC3\xA9")},
        {"h\xC3\xA9\r\n" + QByteArray("x\r\n").repeated(9) + "\xC3", 0, QString::fromUtf8("h\xC3\xA9")},
        {nineLines + "h\xC3\xA9\xFF", 9, QString::fromLatin1("h\xC3\xA9\xFF")},
        {"\xEF\xBB\xBF" "127.0.0.1;Caf\xE9", 0, QString::fromLatin1("127.0.0.1;Caf\xE9")},
        {"\xEF\xBB\xBF" "127.0.0.1;Caf\xC3\xA9", 0, QString::fromUtf8("127.0.0.1;Caf\xC3\xA9")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HostListFile::readLines(write(c.bytes)).value(c.line), c.expected) << c.bytes.toStdString();
}

TEST_F(HostListFileOnDisk, SurvivesHugeBinaryFilesAfterTheTenthLine)
{
    QByteArray junk;
    for (int i = 0; i < 4 * 1024 * 1024; ++i)
        junk.append(static_cast<char>((i * 2654435761u) >> 24));
    junk.replace('\n', 'x').replace('\r', 'y');
    QByteArray bytes = QByteArray(255, 'a') + '\n' + QByteArray("ho\0st;d;1", 9) + '\n' + QByteArray("x\n").repeated(8) + junk;
    const auto lines = HostListFile::readLines(write(bytes));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0].size(), 255);
    EXPECT_EQ(lines[1], QString::fromLatin1("ho\0st;d;1", 9));
    EXPECT_EQ(HostListFile::parse(lines[1])->host, QString::fromLatin1("ho\0st", 5));
}

TEST_F(HostListFileOnDisk, MissingFileIsAClearError)
{
    try {
        HostListFile::readLines(dir.filePath("nothing.txt"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString(e.what()).startsWith("Cannot read the host list file \"")) << e.what();
    }
}

TEST_F(HostListFileOnDisk, SavesTenLinesWithoutAFinalLineEndAndReadsThemBack)
{
    QStringList lines{HostListFile::compose("10.0.0.1", "Office", "25")};
    for (int i = 0; i < 9; ++i)
        lines << HostListFile::compose("", "", "10");
    const QString path = dir.filePath("saved.txt");
    HostListFile::save(path, lines);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, "10.0.0.1;Office;25\r\n;;10\r\n;;10\r\n;;10\r\n;;10\r\n;;10\r\n;;10\r\n;;10\r\n;;10\r\n;;10");
    EXPECT_EQ(HostListFile::readLines(path), lines);
}

TEST_F(HostListFileOnDisk, SavesInUtf8WhateverTheLineHolds)
{
    const QString path = dir.filePath("saved.txt");
    HostListFile::save(path, {QString::fromUtf8("h\xC3\xA9;Caf\xC3\xA9;5"), QString::fromUtf8("\xCE\xA9;;10")});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "h\xC3\xA9;Caf\xC3\xA9;5\r\n\xCE\xA9;;10");
}

TEST_F(HostListFileOnDisk, SaveIntoMissingFolderIsAClearError)
{
    EXPECT_THROW(HostListFile::save(dir.filePath("no/such/folder/x.txt"), {"a"}), std::runtime_error);
}

}
