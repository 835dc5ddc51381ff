#include "WindowFixture.h"

#include "graph/Vumo.h"
#include "ping/WorkerRegistry.h"
#include "widgets/DesktopShell.h"
#include "widgets/LogView.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>

namespace {

class Options : public WindowFixture {
protected:
    void SetUp() override
    {
        QByteArray hosts;
        for (int n = 1; n <= 10; ++n)
            hosts += "h" + QByteArray::number(n) + ";d;50\n";
        writeFile("hosts.txt", hosts);
        start();
        for (int n = 1; n <= 10; ++n) {
            reply("h" + QString::number(n), 10 * n);
            reply("h" + QString::number(n), 10 * n + 100);
        }
    }

    std::vector<QImage> pictures() const
    {
        std::vector<QImage> all;
        for (int n = 1; n <= 10; ++n)
            all.push_back(picture(n));
        return all;
    }
};

TEST_F(Options, ShowAverageSwitchesLineTextAndScaleInEveryGraph)
{
    setChecked("CheckBox3", true);
    const auto shown = pictures();
    setChecked("CheckBox3", false);
    const auto hidden = pictures();
    for (int n = 1; n <= 9; ++n)
        EXPECT_NE(shown[n - 1], hidden[n - 1]) << n;
    EXPECT_EQ(shown[9], hidden[9]) << "two replies give slot 10 no average yet";
    const QRgb blue = 0xFF0000FF;
    for (const QImage& picture : hidden)
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_NE(picture.pixel(x, y), blue);
    EXPECT_EQ(storedSettings()["showaverage"], "no");
    setChecked("CheckBox3", true);
    EXPECT_EQ(pictures(), shown);
}

TEST_F(Options, ShowLastValueRepaintsAtOnce)
{
    const auto before = pictures();
    setChecked("CheckBox2", true);
    for (int n = 1; n <= 10; ++n)
        EXPECT_NE(picture(n), before[n - 1]) << n;
    EXPECT_EQ(storedSettings()["showlast"], "yes");
    setChecked("CheckBox2", false);
    EXPECT_EQ(pictures(), before);
}

TEST_F(Options, LabelSwitchesTouchNoGraph)
{
    const auto before = pictures();
    setChecked("CheckBox1", true);
    setChecked("CheckBox5", true);
    EXPECT_FALSE(control<QWidget>("zavTransLabel7")->isHidden());
    EXPECT_FALSE(control<QWidget>("zavTransLabel37")->isHidden());
    setChecked("CheckBox1", false);
    EXPECT_TRUE(control<QWidget>("zavTransLabel7")->isHidden());
    EXPECT_FALSE(control<QWidget>("zavTransLabel37")->isHidden());
    EXPECT_EQ(pictures(), before);
    EXPECT_EQ(storedSettings()["showlabel"], "no");
    EXPECT_EQ(storedSettings()["showdesc"], "yes");
}

TEST_F(Options, ThresholdSignalsStartWithTheNextReplyAndEndAtOnce)
{
    const auto before = pictures();
    setChecked("CheckBox6", true);
    EXPECT_EQ(pictures(), before);
    reply("h1", 500);
    EXPECT_EQ(background(picture(1)), 0xFFFFFF00u);
    failure("h2");
    EXPECT_EQ(background(picture(2)), 0xFFFF0000u);
    setChecked("CheckBox6", false);
    EXPECT_EQ(background(picture(1)), 0xFFFFFFFFu);
    EXPECT_EQ(background(picture(2)), 0xFFFFFFFFu);
}

TEST_F(Options, ThresholdPanelOpensClosesAndKeepsWhatWasTyped)
{
    form->show();
    auto* panel = control<QWidget>("Panel9");
    auto* edit = control<QLineEdit>("thresh5");
    control<QPushButton>("Status5")->click();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(form->focusWidget(), edit);
    control<QPushButton>("Status5")->click();
    EXPECT_FALSE(panel->isVisible());
    control<QPushButton>("Status5")->click();
    edit->clear();
    EXPECT_EQ(storedSettings()["thresh5"], "");
    QTest::keyClicks(edit, "75");
    EXPECT_EQ(storedSettings()["thresh5"], "75");
    control<QPushButton>("Button8")->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(edit->text(), "75");
}

TEST_F(Options, DoubleClickSwitchesBetweenGraphAndPollLog)
{
    form->show();
    auto* log = control<LogView>("Memopoll4");
    QTest::mouseDClick(control<QWidget>("Image4"), Qt::LeftButton);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->lineCount(), 2);
    reply("h4", 1);
    EXPECT_EQ(log->lineCount(), 3);
    QTest::mouseDClick(log->viewport(), Qt::LeftButton);
    EXPECT_FALSE(log->isVisible());
}

TEST_F(Options, WriteLogMenuAndCheckBoxStayInStep)
{
    auto* item = control<QAction>("Writelog1");
    item->trigger();
    EXPECT_TRUE(checked("CheckBox4"));
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(storedSettings()["writelog"], "yes");
    setChecked("CheckBox4", false);
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(storedSettings()["writelog"], "no");
    form->describeLogFolder();
    EXPECT_TRUE(item->statusTip().endsWith(" in " + programFolder)) << item->statusTip().toStdString();
    EXPECT_EQ(item->toolTip(), item->statusTip());
}

// The notification and tray items come after every earlier one; the count
// of lost echoes is asked with the stored value offered, and a cancel keeps
// it.
TEST_F(Options, NotificationItemsComeLastAndAreStored)
{
    QStringList texts;
    for (QAction* menu : form->menuBar()->actions()) {
        if (menu->text() == "&Options")
            for (QAction* item : menu->menu()->actions())
                texts << item->text().remove('&');  // as shown, mnemonics aside
    }
    EXPECT_EQ(texts, QStringList({"Reset all graphs", "Save current host selection", "Write log", "",
                                  "Notify when a host goes down", "Lost echoes before notifying...",
                                  "Show in tray", "Write metrics file...", "Keep history"}));
    EXPECT_EQ(storedSettings()["notify"], "no");
    EXPECT_EQ(storedSettings()["notifyafter"], "3");

    auto* notify = control<QAction>("Notify1");
    notify->trigger();
    EXPECT_TRUE(notify->isChecked());
    EXPECT_EQ(storedSettings()["notify"], "yes");
    notify->trigger();
    EXPECT_FALSE(notify->isChecked());
    EXPECT_EQ(storedSettings()["notify"], "no");

    dialogs.integerAnswers = {7, std::nullopt};
    control<QAction>("Notifyafter1")->trigger();
    EXPECT_EQ(storedSettings()["notifyafter"], "7");
    control<QAction>("Notifyafter1")->trigger();
    EXPECT_EQ(storedSettings()["notifyafter"], "7");
    EXPECT_EQ(dialogs.offeredIntegers, std::vector<int>({3, 7}));

    auto* tray = control<QAction>("Showintray1");
    EXPECT_TRUE(tray->isChecked());
    tray->trigger();
    EXPECT_FALSE(tray->isChecked());
    EXPECT_EQ(storedSettings()["showtray"], "no");

    auto* keep = control<QAction>("Keephistory1");
    EXPECT_TRUE(keep->isChecked());
    keep->trigger();
    EXPECT_FALSE(keep->isChecked());
    EXPECT_EQ(storedSettings()["keephistory"], "no");
}

// Chosen, the metrics file is written at each tick from the echoes sent
// since; clicked again, it is removed and the setting cleared. A FIFO is
// refused before anything waits on it.
TEST_F(Options, MetricsFileItemKeepsAndEndsTheFile)
{
    // The ticks' echoes never end on their own: they go before the window.
    const auto release = qScopeGuard([] { WorkerRegistry::releaseAllWorkers(); });
    const QString path = world.filePath("q.prom");
    const auto fileText = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    auto* item = control<QAction>("Writemetrics1");
    EXPECT_EQ(storedSettings()["metricsfile"], "");
    dialogs.saveAnswers = {path};
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(dialogs.saveRequests.back().proposedName, "quorvane.prom");
    EXPECT_EQ(storedSettings()["metricsfile"], path);
    form->Timer1Timer();
    reply("h4", 37);
    form->Timer1Timer();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return fileText().contains("quorvane_echo_rtt_seconds{host=\"h4\",description=\"d\"} 0.037\n"); }, 5000))
        << fileText().toStdString();
    EXPECT_TRUE(fileText().contains("quorvane_echo_requests_total{host=\"h4\",description=\"d\"} 2\n"));

    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(storedSettings()["metricsfile"], "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(path); }, 5000));

    const QString fifo = world.filePath("fifo.prom");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    dialogs.saveAnswers = {fifo};
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].endsWith("it is not a regular file")) << dialogs.errors[0].toStdString();
}

class RefusingShell final : public DesktopShell {
public:
    int Open(const QString& url, const LaterFailure&) override
    {
        opened = url;
        return 2;
    }
    QString opened;
};

TEST_F(Options, ProductHomepageRefusedIsReported)
{
    RefusingShell shell;
    DesktopShell::Install(&shell);
    control<QAction>("Producthomepage1")->trigger();
    DesktopShell::Install(nullptr);
    EXPECT_TRUE(shell.opened.startsWith("http://"));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], "ShellExecute \"" + shell.opened + "\" Failed with Error: 2");
}

}
