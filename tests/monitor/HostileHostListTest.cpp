#include "WindowFixture.h"

#include "monitor/HostListFile.h"
#include "monitor/HostListHolder.h"

#include <QFile>
#include <QLineEdit>

namespace {

constexpr qsizetype Megabyte = 1024 * 1024;

// The bytes a process has read so far, whatever it read them with.
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

// Line n of a host list as a broken or hostile tool might write it: NUL
// bytes and bytes that are no UTF-8 in host and description, a description
// of a megabyte, and a lone CR as its line end.
QByteArray hostileLine(int n)
{
    QByteArray filler(Megabyte, 'x');
    for (qsizetype i = 0; i < filler.size(); i += 4096) {
        filler[i] = '\0';
        filler[i + 1] = '\xff';
    }
    return "h" + QByteArray::number(n) + QByteArray("\0\xc3", 2) + ";d\xfe" + filler + ";" +
           QByteArray::number(20 + n) + "\r";
}

class HostileHostList : public WindowFixture {
protected:
    QString writeFiftyMegabytes()
    {
        QByteArray bytes;
        for (int n = 1; n <= 50; ++n)
            bytes += hostileLine(n);
        return writeFile("hosts.txt", bytes);
    }
};

TEST_F(HostileHostList, FiftyMegabytesAreReadOnlyUpToTheirTenthLine)
{
    const QString path = writeFiftyMegabytes();
    const qint64 before = bytesReadByThisProcess();
    const QStringList lines = HostListFile::readLines(path);
    const qint64 read = bytesReadByThisProcess() - before;
    ASSERT_EQ(lines.size(), 10);
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(lines[n - 1], QString::fromLatin1(hostileLine(n).chopped(1))) << n;
    // Eleven lines tell that the tenth is complete; what lies beyond them
    // is never read.
    EXPECT_LT(read, 12 * Megabyte);
}

TEST_F(HostileHostList, WindowStartsOnFiftyMegabytesKeepingEveryByteOfItsSlots)
{
    writeFiftyMegabytes();
    start();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(form->startupCompleted());
    EXPECT_EQ(control<HostListHolder>("Memo2")->lineCount(), 10);
    for (int n = 1; n <= 10; ++n) {
        const QByteArray line = hostileLine(n);
        const auto fields = line.chopped(1).split(';');
        EXPECT_EQ(host(n), QString::fromLatin1(fields[0])) << n;
        EXPECT_EQ(description(n), QString::fromLatin1(fields[1])) << n;
        EXPECT_EQ(text(("thresh" + QByteArray::number(n)).constData()), QString::number(20 + n));
    }
}

TEST_F(HostileHostList, CrLfSplitBetweenTwoReadsIsOneLineEnd)
{
    // The file is read in pieces of 64 KiB: each line here is as long as
    // makes its CR the last byte of one piece and its LF the first of the
    // next. Taking such a pair for two line ends would stop the reading
    // before the tenth line is complete.
    constexpr qsizetype Piece = 64 * 1024;
    QByteArray bytes = QByteArray(Piece - 1, 'a') + "\r\n";
    for (int n = 2; n <= 12; ++n)
        bytes += QByteArray(Piece - 2, static_cast<char>('a' + n)) + "\r\n";
    const QStringList lines = HostListFile::readLines(writeFile("pieces.txt", bytes));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], QString(Piece - 1, 'a'));
    for (int n = 2; n <= 10; ++n)
        EXPECT_EQ(lines[n - 1], QString(Piece - 2, QChar('a' + n))) << n;
}

}
