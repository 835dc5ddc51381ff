#include "WindowFixture.h"

#include "monitor/files/HostListFile.h"
#include "monitor/files/HostListHolder.h"

#include <QFile>
#include <QLineEdit>

namespace {

constexpr qsizetype Megabyte = 1024 * 1024;

// Line n of a host list as a broken or hostile tool might write it: NUL
// bytes and bytes that are no UTF-8 in host and description, a description
// of the given length, and a lone CR as its line end.
QByteArray hostileLine(int n, qsizetype descriptionLength)
{
    QByteArray filler(descriptionLength - 2, 'x');
    for (qsizetype i = 0; i + 1 < filler.size(); i += 500) {
        filler[i] = '\0';
        filler[i + 1] = '\xff';
    }
    return "h" + QByteArray::number(n) + QByteArray("\0\xc3", 2) + ";d\xfe" + filler + ";" +
           QByteArray::number(20 + n) + "\r";
}

class HostileHostList : public WindowFixture {
protected:
    QString writeFiftyLines(qsizetype descriptionLength)
    {
        QByteArray bytes;
        for (int n = 1; n <= 50; ++n)
            bytes += hostileLine(n, descriptionLength);
        return writeFile("hosts.txt", bytes);
    }
};

TEST_F(HostileHostList, FiftyMegabytesAreRefusedAtTheirFirstLongDescription)
{
    writeFiftyLines(Megabyte);
    start();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("Line 1: The description \"d")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains("is longer than 1000 characters.")) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(form->startupCompleted());
}

TEST_F(HostileHostList, WindowStartsKeepingEveryByteOfItsSlots)
{
    writeFiftyLines(1000);
    start();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(form->startupCompleted());
    EXPECT_EQ(control<HostListHolder>("Memo2")->lineCount(), 10);
    for (int n = 1; n <= 10; ++n) {
        const QByteArray line = hostileLine(n, 1000);
        const auto fields = line.chopped(1).split(';');
        EXPECT_EQ(host(n), QString::fromLatin1(fields[0])) << n;
        EXPECT_EQ(description(n), QString::fromLatin1(fields[1])) << n;
        EXPECT_EQ(text(("thresh" + QByteArray::number(n)).constData()), QString::number(20 + n));
    }
}

TEST_F(HostileHostList, CrLfSplitAtTheReadLimitIsOneLineEnd)
{
    // Only so much of a file is read: a tenth line whose CR is the last byte
    // read and whose LF lies beyond is whole all the same.
    QByteArray bytes = QByteArray("a;b;1\r\n").repeated(9) + "h;d;";
    bytes += QByteArray(HostListFile::ReadLimit - 1 - bytes.size(), '7') + "\r\n" + QByteArray(Megabyte, 'z');
    const QStringList lines = HostListFile::readLines(writeFile("pieces.txt", bytes));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "a;b;1");
    EXPECT_EQ(lines[9].size(), HostListFile::ReadLimit - 1 - 9 * 7);
}

}
