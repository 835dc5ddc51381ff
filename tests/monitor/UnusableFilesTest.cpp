#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>

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

}
