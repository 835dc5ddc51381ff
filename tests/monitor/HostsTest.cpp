#include "WindowFixture.h"
#include "common/ProductIdentity.h"

#include "graph/Vumo.h"
#include "monitor/controls/About.h"
#include "monitor/files/HostListHolder.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

QByteArray tenHosts(const char* prefix = "h")
{
    QByteArray bytes;
    for (int n = 1; n <= 10; ++n)
        bytes += prefix + QByteArray::number(n) + ";desc " + QByteArray::number(n) + ";" + QByteArray::number(20 + n) + "\r\n";
    return bytes;
}

class Hosts : public WindowFixture {
protected:
    QString topScale(int n) const { return labelText(Slots[n - 1].topScaleLabel); }
    QString open(const QString& path)
    {
        dialogs.openAnswers.push_back(path);
        form->Openhostfile1Click();
        return path;
    }
};

TEST_F(Hosts, TwelveLinesLeaveTenInTheHolder)
{
    writeFile("hosts.txt", tenHosts() + "h11;x;1\nh12;y;2\n");
    start();
    EXPECT_EQ(control<HostListHolder>("Memo2")->lineCount(), 10);
    EXPECT_EQ(host(10), "h10");
    EXPECT_EQ(text("thresh10"), "30");
    EXPECT_EQ(storedSettings()["thresh10"], "30") << "a host list threshold replaces the stored one";
}

TEST_F(Hosts, ShortFileLeavesTheLaterSlotsAsTheyWere)
{
    writeFile("hosts.txt", tenHosts());
    start();
    open(writeFile("three.txt", "a;A;1\nb\n;;10"));
    EXPECT_EQ(host(1), "a");
    EXPECT_EQ(description(1), "A");
    EXPECT_EQ(host(2), "b");
    EXPECT_EQ(description(2), "desc 2");
    EXPECT_EQ(text("thresh2"), "22");
    EXPECT_TRUE(host(3).isEmpty());
    EXPECT_TRUE(description(3).isEmpty());
    EXPECT_EQ(text("thresh3"), "10");
    for (int n = 4; n <= 10; ++n) {
        EXPECT_EQ(host(n), "h" + QString::number(n));
        EXPECT_EQ(description(n), "desc " + QString::number(n));
    }
    EXPECT_EQ(form->windowTitle(), QString(ProductIdentity::DisplayName) + " - " + QDir::current().filePath("three.txt"));
}

TEST_F(Hosts, SavedSelectionReopensToTheSameSlots)
{
    writeFile("hosts.txt", "10.0.0.1;Office;25\n");
    start();
    const QString saved = QDir(programFolder).filePath("saved.txt");
    dialogs.saveAnswers.push_back(saved);
    form->Savecurrenthostselection1Click();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].folder, programFolder);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "hosts.txt");
    EXPECT_EQ(dialogs.saveRequests[0].filter, "Textfile (*.txt) | *.txt");
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray expected = "10.0.0.1;Office;25";
    for (int n = 2; n <= 10; ++n)
        expected += "\r\n;;10";
    EXPECT_EQ(file.readAll(), expected);

    form->applyHostChange("2", "other", "Other");
    open(saved);
    EXPECT_EQ(host(1), "10.0.0.1");
    EXPECT_TRUE(host(2).isEmpty());
    EXPECT_TRUE(description(2).isEmpty());
}

TEST_F(Hosts, AcceptingAnUnchangedHostStillClearsTheSlot)
{
    writeFile("hosts.txt", tenHosts());
    start();
    setChecked("CheckBox6", true);
    reply("h3", 30);
    reply("h3", 90);
    auto* dialog = new TAboutBox(form.get());
    dialog->setAcceptHandler([this](const QString& slot, const QString& host, const QString& description) {
        form->applyHostChange(slot, host, description);
    });
    form->setDialogs([dialog] { return dialog; }, {});
    QTimer::singleShot(0, dialog, [dialog] {
        EXPECT_EQ(dialog->findChild<QLineEdit*>("Edit1")->text(), "h3");
        EXPECT_EQ(dialog->findChild<QLineEdit*>("Edit2")->text(), "desc 3");
        dialog->OKButtonClick();
    });
    form->changeHost(3);
    EXPECT_EQ(host(3), "h3");
    EXPECT_EQ(topScale(3), "1");
    EXPECT_TRUE(recentValues(3).isEmpty());
    EXPECT_TRUE(pollLog(3).isEmpty());
    EXPECT_EQ(form->graph(3).Graphs()[0]->MaxValue(), 0);
    EXPECT_EQ(background(picture(3)), 0xFFFFFF00u) << "the background stays";
    EXPECT_EQ(text("thresh3"), "23");
}

TEST_F(Hosts, CancelledDialogChangesNothing)
{
    writeFile("hosts.txt", tenHosts());
    start();
    reply("h3", 30);
    auto* dialog = new TAboutBox(form.get());
    dialog->setAcceptHandler([this](const QString& s, const QString& h, const QString& d) { form->applyHostChange(s, h, d); });
    form->setDialogs([dialog] { return dialog; }, {});
    QTimer::singleShot(0, dialog, [dialog] {
        dialog->findChild<QLineEdit*>("Edit1")->setText("changed");
        dialog->Button1Click();
    });
    form->changeHost(3);
    EXPECT_EQ(host(3), "h3");
    EXPECT_EQ(recentValues(3), QStringList{"30"});
}

TEST_F(Hosts, CancellingOpenRestoresTheFilesHostsAndResetsAllGraphs)
{
    writeFile("hosts.txt", tenHosts());
    start();
    reply("h1", 30);
    form->applyHostChange("2", "edited", "Edited");
    form->Openhostfile1Click();
    EXPECT_EQ(host(2), "h2");
    EXPECT_TRUE(pollLog(1).isEmpty());
    EXPECT_EQ(topScale(1), "1");
    EXPECT_EQ(form->windowTitle(), QString(ProductIdentity::DisplayName) + " - ");
    EXPECT_EQ(dialogs.openFolders.value(0), programFolder);
}

TEST_F(Hosts, OpeningAMissingFileKeepsTheHolderAndTakesTheName)
{
    writeFile("hosts.txt", tenHosts());
    start();
    form->applyHostChange("1", "edited", "");
    open("gone.txt");
    EXPECT_EQ(host(1), "h1");
    EXPECT_EQ(text("edit5"), "gone.txt");
    EXPECT_EQ(form->windowTitle(), QString(ProductIdentity::DisplayName) + " - gone.txt");
}

TEST_F(Hosts, SingleResetKeepsTheBackgroundAndClearsBothCornerTexts)
{
    writeFile("hosts.txt", tenHosts());
    start();
    setChecked("CheckBox2", true);
    setChecked("CheckBox3", true);
    setChecked("CheckBox6", true);
    setThreshold(3, "50");
    setThreshold(4, "50");
    for (int n : {3, 4}) {
        reply("h" + QByteArray::number(n), 10);
        reply("h" + QByteArray::number(n), 60);
    }
    const QImage untouched = picture(4);
    form->resetSlot(3);
    EXPECT_EQ(background(picture(3)), 0xFFFFFF00u);
    EXPECT_EQ(picture(4), untouched);
    EXPECT_TRUE(recentValues(3).isEmpty());
    setChecked("CheckBox2", false);
    setChecked("CheckBox2", true);
    auto expected = TForm1::createSlotGraph();
    expected->SetGridY(6);
    expected->SetBackColor(TColor::FromRgb(255, 255, 0));
    expected->SetShowTopLeft(true);
    expected->SetShowTopRight(true);
    expected->Redraw();
    expected->Redraw();
    EXPECT_EQ(picture(3), expected->Picture()) << "empty, yellow, no corner texts";
}

TEST_F(Hosts, ResetOfAllGraphsWhitensAndKeepsTheLastValue)
{
    writeFile("hosts.txt", tenHosts());
    start();
    setChecked("CheckBox2", true);
    setChecked("CheckBox3", true);
    setChecked("CheckBox6", true);
    reply("h4", 10);
    reply("h4", 60);
    form->Resetgraphs1Click();
    setChecked("CheckBox2", false);
    setChecked("CheckBox2", true);
    auto expected = TForm1::createSlotGraph();
    expected->SetGridY(6);
    expected->SetShowTopLeft(true);
    expected->SetShowTopRight(true);
    expected->SetTopRightText("60");
    expected->Redraw();
    expected->Redraw();
    EXPECT_EQ(picture(4), expected->Picture()) << "empty, white, the last value but no average";
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(topScale(n), "1");
}

TEST_F(Hosts, SavedGraphIsA32BitBitmapOfTheSlotsPicture)
{
    writeFile("hosts.txt", tenHosts());
    start();
    reply("h2", 40);
    const QString path = QDir(programFolder).filePath("graph");
    dialogs.saveAnswers.push_back(path);
    form->saveGraph(2);
    EXPECT_EQ(dialogs.saveRequests.at(0).proposedName, "h2.bmp");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 32) << "bits per pixel";
    QImage read(path, "BMP");
    ASSERT_EQ(read.size(), QSize(300, 113));
    EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), picture(2).convertToFormat(QImage::Format_RGB32));
}

TEST_F(Hosts, CancelledSaveWritesNothing)
{
    writeFile("hosts.txt", tenHosts());
    start();
    form->saveGraph(1);
    form->saveLog(1);
    EXPECT_TRUE(QDir(programFolder).isEmpty());
}

TEST_F(Hosts, SavedPollLogHoldsEveryLineInOrder)
{
    writeFile("hosts.txt", tenHosts());
    start();
    for (int i = 0; i < 200000; ++i)
        i % 3 ? reply("h5", static_cast<std::uint32_t>(i % 500)) : failure("h5");
    const QString path = QDir(programFolder).filePath("h5.txt");
    dialogs.saveAnswers.push_back(path);
    form->saveLog(5);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = pollLog(5);
    ASSERT_EQ(lines.size(), 200000);
    EXPECT_TRUE(lines[0].startsWith("Error: h5, Request timed out, "));
    EXPECT_TRUE(lines[199999].startsWith("h5, 32 bytes, 499ms, "));
    EXPECT_EQ(QString::fromLatin1(file.readAll()), lines.join("\r\n") + "\r\n");
}

TEST_F(Hosts, HostileHostFileNeitherCrashesNorFreezes)
{
    QByteArray bytes = QByteArray(1 << 20, 'x') + "\n" + QByteArray("a\0b;\xff\xfe;\x01", 9) + "\r";
    for (int i = 0; i < 5 * (1 << 20); ++i)
        bytes += static_cast<char>(static_cast<unsigned>(i) * 7919u % 251u);
    writeFile("hosts.txt", bytes);
    start();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("Line 1: The host \"xxxx")) << dialogs.errors[0].toStdString();
    EXPECT_LE(control<HostListHolder>("Memo2")->lineCount(), 10);
}

}
