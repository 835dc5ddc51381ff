#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files the window must write but cannot. As root, permission bits stop
// nothing, so each case puts something in the way that refuses every
// writer: a file where a folder belongs, or a folder where a file belongs.
class UnusableFiles : public WindowFixture {
protected:
    static void putFileAt(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList logFileNotes() const { return combinedLog().filter("Cannot write the log file"); }
};

TEST_F(UnusableFiles, SettingsThatCannotBeCreatedEndTheStartUpWithOneMessage)
{
    putFileAt(settingsFolder + "/Halvetor");
    writeFile("hosts.txt", "10.0.0.1;Office\n");
    testing::internal::CaptureStderr();
    start();
    const QString told = QString::fromStdString(testing::internal::GetCapturedStderr());
    ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot store the setting \"interval\"")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains(settingsFolder + "/Halvetor/Quorvane.conf"));
    EXPECT_TRUE(told.contains("quorvane: " + dialogs.errors[0] + "\n")) << told.toStdString();
    EXPECT_FALSE(form->startupCompleted());
}

TEST_F(UnusableFiles, LogFolderThatIsAFileIsToldOnceAndEveryRecordIsTriedAgain)
{
    writeFile("hosts.txt", "h1;one;50\n");
    start();
    setChecked("CheckBox4", true);
    form->Button2Click();
    ASSERT_TRUE(QDir(programFolder).removeRecursively());
    putFileAt(programFolder);

    testing::internal::CaptureStderr();
    reply("h1", 3);
    failure("h1");
    reply("h1", 4);
    const QString told = QString::fromStdString(testing::internal::GetCapturedStderr());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(told, "quorvane: " + QString(dialogs.errors[0]).replace('\n', ' ') + "\n") << "one line, once";
    EXPECT_TRUE(dialogs.errors[0].contains(programFolder + "/" + text("Edit4") + ".log")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(logFileNotes().size(), 3);
    EXPECT_EQ(pollLog(1).size(), 3) << "the outcomes themselves are all kept";

    ASSERT_TRUE(QFile::remove(programFolder));
    ASSERT_TRUE(QDir().mkpath(programFolder));
    reply("h1", 5);
    QFile log(programFolder + "/" + text("Edit4") + ".log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().startsWith("h1, 32 bytes, 5ms, "));
    EXPECT_EQ(dialogs.errors.size(), 1);
}

TEST_F(UnusableFiles, HostSelectionSavedOverAFolderIsToldAndChangesNothing)
{
    writeFile("hosts.txt", "h1;one;50\n");
    start();
    const QString folder = QDir(programFolder).filePath("taken");
    ASSERT_TRUE(QDir().mkpath(folder));
    dialogs.saveAnswers.push_back(folder);
    control<QAction>("Savecurrenthostselection1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot write the host list file \"" + folder + "\"")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(host(1), "h1");
}

// A FIFO with a reader and room for a whole graph: a save that opened it
// would neither block nor fail, but leave its bytes in the pipe.
int openFifo(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::mkfifo(name.constData(), 0600) == 0 ? ::open(name.constData(), O_RDONLY | O_NONBLOCK) : -1;
    if (fd >= 0)
        ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    return fd;
}

struct SaveCommand {
    const char* action;
    const char* failure;

    friend void PrintTo(const SaveCommand& c, std::ostream* out) { *out << c.action; }
};

class NonRegularSaveTarget : public UnusableFiles, public testing::WithParamInterface<SaveCommand> {};

TEST_P(NonRegularSaveTarget, IsRefusedWithoutOpeningIt)
{
    writeFile("hosts.txt", "h1;one;50\n");
    start();
    reply("h1", 3);
    const QString fifo = QDir(programFolder).filePath("fifo");
    const int reader = openFifo(fifo);
    ASSERT_GE(reader, 0);
    dialogs.saveAnswers.push_back(fifo);
    control<QAction>(GetParam().action)->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], QString("%1 \"%2\": it is not a regular file").arg(GetParam().failure, fifo));
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing was written into the FIFO";
    ::close(reader);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

INSTANTIATE_TEST_SUITE_P(Commands, NonRegularSaveTarget,
                         testing::Values(SaveCommand{"Savegraph1", "Cannot write the graph to"},
                                         SaveCommand{"Savelogtofile1", "Cannot write the poll log to"},
                                         SaveCommand{"Savecurrenthostselection1", "Cannot write the host list file"}),
                         [](const auto& info) { return std::string(info.param.action); });

}
