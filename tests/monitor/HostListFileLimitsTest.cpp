#include "monitor/files/HostListFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Kind { Regular, Fifo, LinkToDevZero };

// A host list as a file of some kind, and either the number of lines it
// gives or a text that the message refusing it holds.
struct FileRow {
    const char* name;
    Kind kind;
    QByteArray bytes;
    int lines;
    const char* refusal;

    friend void PrintTo(const FileRow& row, std::ostream* out) { *out << row.name; }
};

// The bytes this process has read so far, whatever it read them with.
qint64 bytesReadByThisProcess()
{
    QFile io("/proc/self/io");
    EXPECT_TRUE(io.open(QIODevice::ReadOnly));
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    ADD_FAILURE() << "no rchar in /proc/self/io";
    return 0;
}

struct Reading {
    QStringList lines;
    QString error;
};

Reading readLines(const QString& path)
{
    try {
        return {HostListFile::readLines(path), {}};
    } catch (const std::exception& e) {
        return {{}, QString::fromUtf8(e.what())};
    }
}

class HostListFileLimits : public testing::TestWithParam<FileRow> {
protected:
    QString make(const FileRow& row)
    {
        const QString path = dir.filePath("hosts.txt");
        if (row.kind == Kind::Fifo) {
            EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (row.kind == Kind::LinkToDevZero) {
            EXPECT_TRUE(QFile::link("/dev/zero", path));
        } else {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(row.bytes);
        }
        return path;
    }
    QTemporaryDir dir;
};

TEST_P(HostListFileLimits, IsTakenOrRefusedWithoutBlockingOrReadingMuch)
{
    const FileRow& row = GetParam();
    const QString path = make(row);
    const qint64 before = bytesReadByThisProcess();
    auto reading = std::async(std::launch::async, [&path] { return readLines(path); });
    if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        // A writer lets a reader stuck in open go.
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
        reading.wait();
        FAIL() << "reading the host list blocked";
    }
    const Reading result = reading.get();
    EXPECT_LE(bytesReadByThisProcess() - before, 2 * HostListFile::ReadLimit);
    if (row.refusal == nullptr) {
        EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(result.lines.size(), row.lines);
        return;
    }
    EXPECT_TRUE(result.error.contains(path)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(row.refusal)) << result.error.toStdString();
    EXPECT_FALSE(result.error.contains('\n'));
}

const QByteArray NineLines = QByteArray("127.0.0.1;loop;5\n").repeated(9);

INSTANTIATE_TEST_SUITE_P(
    Rows, HostListFileLimits,
    testing::Values(
        FileRow{"Fifo", Kind::Fifo, {}, 0, "\": it is not a regular file"},
        FileRow{"LinkToDevZero", Kind::LinkToDevZero, {}, 0, "\": it is not a regular file"},
        FileRow{"HostOf255Characters", Kind::Regular, QByteArray(255, 'h') + ";d;5\n", 1, nullptr},
        FileRow{"HostOf256Characters", Kind::Regular, "a\n" + QByteArray(256, 'h') + ";d;5\n", 0,
                "Line 2: The host \"hhhh"},
        FileRow{"HostOfAMegabyteWithoutSeparator", Kind::Regular, QByteArray(1 << 20, 'h'), 0,
                "is longer than 255 characters."},
        FileRow{"DescriptionOf1000Characters", Kind::Regular, "h;" + QByteArray(1000, 'd') + ";5", 1, nullptr},
        FileRow{"DescriptionOf1001Characters", Kind::Regular, "h;" + QByteArray(1001, 'd') + ";5", 0,
                "The description \"dddd"},
        FileRow{"TenLinesThenEightMegabytes", Kind::Regular, NineLines + "h;d;5\n" + QByteArray(8 << 20, 'x'), 10,
                nullptr},
        FileRow{"TenthLineNotEndedWithinTheLimit", Kind::Regular, NineLines + "h;d;" + QByteArray(1 << 17, '5'), 0,
                "first 10 lines are longer than 64 KiB"}),
    [](const auto& info) { return std::string(info.param.name); });

}
