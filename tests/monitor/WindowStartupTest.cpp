#include "WindowFixture.h"
#include "common/ProductIdentity.h"

#include "monitor/controls/WindowTimer.h"
#include "widgets/LogView.h"
#include "widgets/zavWebLabel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>

namespace {

using StartupTest = WindowFixture;

constexpr const char* HostsWithoutThresholds = "10.0.0.1;Office\n10.0.0.2;Lab\n";

TEST_F(StartupTest, FirstRunCreatesEveryValueWithItsDefault)
{
    writeFile("hosts.txt", HostsWithoutThresholds);
    start();
    QMap<QString, QString> expected{{"interval", "2"}, {"payload", "32"}, {"graphnumber", "10"},
                                    {"showlast", "no"}, {"showdesc", "no"}, {"showaverage", "no"},
                                    {"showlabel", "no"}, {"writelog", "no"},
                                    {"notify", "no"},   {"notifyafter", "3"}, {"showtray", "yes"},
                                    {"metricsfile", ""}, {"keephistory", "yes"}, {"historyhours", "48"},
                                    {"historydays", "90"}};
    for (int n = 1; n <= 10; ++n)
        expected["thresh" + QString::number(n)] = "10";
    EXPECT_EQ(storedSettings(), expected);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox5"})
        EXPECT_FALSE(checked(box)) << box;
    for (const char* row : {"Panel4", "Panel3", "Panel2"})
        EXPECT_FALSE(control<QWidget>(row)->isHidden()) << row;
    EXPECT_EQ(form->windowTitle(), QString(ProductIdentity::DisplayName) + " - hosts.txt");
    EXPECT_EQ(host(1), "10.0.0.1");
    EXPECT_EQ(description(2), "Lab");
    EXPECT_EQ(text("thresh1"), "10");
    EXPECT_FALSE(control<WindowTimer>("Timer1")->enabled());
    EXPECT_EQ(form->outerSize(), QSize(705, 820));
}

TEST_F(StartupTest, WithoutAnyHostListAllSlotsAreEmpty)
{
    start();
    EXPECT_EQ(form->windowTitle(), ProductIdentity::DisplayName);
    for (int n = 1; n <= 10; ++n)
        EXPECT_TRUE(host(n).isEmpty());
    form->Button2Click();
    form->Timer1Timer();
    EXPECT_TRUE(echoes.echoes().empty());
}

TEST_F(StartupTest, FolderNamedHostsTxtCountsAsNoFile)
{
    ASSERT_TRUE(QDir().mkdir("hosts.txt"));
    start();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(form->startupCompleted());
    EXPECT_TRUE(settingsFileExists());
    EXPECT_EQ(form->windowTitle(), ProductIdentity::DisplayName);
    EXPECT_TRUE(text("edit5").isEmpty());
}

TEST_F(StartupTest, MissingFileNamedOnTheCommandLineEndsTheStartUp)
{
    start({"missing.txt"});
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("missing.txt"));
    EXPECT_EQ(form->windowTitle(), ProductIdentity::DisplayName);
    EXPECT_EQ(text("edit5"), "missing.txt");
    EXPECT_TRUE(text("Edit4").isEmpty());
    EXPECT_FALSE(control<WindowTimer>("Timer1")->enabled());
    EXPECT_FALSE(settingsFileExists());
    EXPECT_FALSE(form->startupCompleted());
}

TEST_F(StartupTest, ExistingFileOnTheCommandLineStartsPolling)
{
    const QString path = writeFile("site.txt", HostsWithoutThresholds);
    start({path});
    EXPECT_TRUE(control<WindowTimer>("Timer1")->enabled());
    EXPECT_EQ(control<QPushButton>("Button2")->text(), "&Stop");
    EXPECT_EQ(text("Edit4"), path);
    EXPECT_EQ(text("Edit1"), "1");
    EXPECT_EQ(form->windowTitle(), QString(ProductIdentity::DisplayName) + " - " + path);
}

TEST_F(StartupTest, UnknownLayoutLeavesTheTenGraphSizeWithNoItemChecked)
{
    storeSetting("graphnumber", "5");
    start();
    EXPECT_EQ(form->outerSize().height(), 820);
    for (const char* item : {"N4graphs1", "N6graphs1", "N8graphs1", "N10graphs1"})
        EXPECT_FALSE(control<QAction>(item)->isChecked()) << item;
    EXPECT_EQ(storedSettings()["graphnumber"], "5");
    control<QAction>("N6graphs1")->trigger();
    EXPECT_EQ(storedSettings()["graphnumber"], "6");
}

TEST_F(StartupTest, StoredLayoutRunsItsCommand)
{
    storeSetting("graphnumber", "4");
    start();
    EXPECT_EQ(form->outerSize().height(), 405);
    EXPECT_TRUE(control<QAction>("N4graphs1")->isChecked());
    EXPECT_TRUE(control<QWidget>("Panel4")->isHidden());
    EXPECT_EQ(control<QWidget>("zavWebLabel1")->y(), 332);
    EXPECT_EQ(control<LogView>("Memo1")->height(), 273);
}

struct NumberSetting {
    const char* name;
    const char* stored;
    const char* field;
    const char* fieldText;
    const char* slider;
    int position;
    const char* storedAfter;
};

class StoredNumbers : public WindowFixture, public testing::WithParamInterface<NumberSetting> {};

TEST_P(StoredNumbers, GoIntoFieldAndSliderWithinItsRange)
{
    const auto& c = GetParam();
    storeSetting(c.name, c.stored);
    start();
    EXPECT_EQ(text(c.field), c.fieldText);
    EXPECT_EQ(control<QSlider>(c.slider)->value(), c.position);
    EXPECT_EQ(storedSettings()[c.name], c.storedAfter);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredNumbers,
    testing::Values(NumberSetting{"interval", "45", "Edit2", "45", "TrackBar1", 2, "45"},
                    NumberSetting{"interval", "31", "Edit2", "30", "TrackBar1", 30, "30"},
                    NumberSetting{"interval", "0", "Edit2", "1", "TrackBar1", 1, "1"},
                    NumberSetting{"interval", "7", "Edit2", "7", "TrackBar1", 7, "7"},
                    NumberSetting{"payload", "600", "Edit3", "600", "TrackBar2", 32, "600"},
                    NumberSetting{"payload", "8", "Edit3", "8", "TrackBar2", 32, "8"},
                    NumberSetting{"payload", "100", "Edit3", "100", "TrackBar2", 100, "100"}),
    [](const auto& info) { return std::string(info.param.name) + info.param.stored; });

TEST_F(StartupTest, StoredIntervalAboveTheSliderIsTheIntervalInUse)
{
    storeSetting("interval", "45");
    start();
    EXPECT_EQ(control<WindowTimer>("Timer1")->interval(), 45000);
    control<QSlider>("TrackBar1")->setValue(5);
    EXPECT_EQ(text("Edit2"), "5");
    EXPECT_EQ(storedSettings()["interval"], "5");
}

TEST_F(StartupTest, SwitchesCompareExactly)
{
    storeSetting("showlast", "Yes");
    storeSetting("showdesc", "yes");
    storeSetting("showlabel", "no");
    start();
    EXPECT_TRUE(checked("CheckBox2"));
    EXPECT_TRUE(checked("CheckBox5"));
    EXPECT_FALSE(checked("CheckBox1"));
    EXPECT_FALSE(checked("CheckBox3"));
    EXPECT_EQ(storedSettings()["showlast"], "yes");
}

TEST_F(StartupTest, NonNumericIntervalEndsTheStartUpBeforeLaterValues)
{
    storeSetting("interval", "abc");
    writeFile("hosts.txt", HostsWithoutThresholds);
    start();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], "The setting \"interval\" in " + settingsFolder +
                                     "/Halvetor/Quorvane.conf: 'abc' is not a valid integer value");
    EXPECT_FALSE(storedSettings().contains("payload"));
    EXPECT_TRUE(host(1).isEmpty());
}

TEST_F(StartupTest, ValueOfTheWrongKindIsAClearError)
{
    QSettings settings("Halvetor", "Quorvane");
    settings.setValue("payload", QStringList{"1", "2"});
    settings.sync();
    start();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("\"payload\"")) << dialogs.errors[0].toStdString();
}

TEST_F(StartupTest, UnwritableSettingsFileIsReportedAndTheOptionStillApplies)
{
    start();
    // A folder where the file belongs refuses every write, even root's.
    const QString file = settingsFolder + "/Halvetor/Quorvane.conf";
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    dialogs.errors.clear();
    control<QCheckBox>("CheckBox1")->click();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot store the setting \"showlabel\"")) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(control<QWidget>("zavTransLabel1")->isHidden());
}

struct ScaleCase {
    double dpi;
    int layout;
    int height;
    int linkTop;
    int logHeight;
    int startWidth;
};

class ScreenScale : public WindowFixture, public testing::WithParamInterface<ScaleCase> {};

TEST_P(ScreenScale, ScalesTheWindowButNotItsSlots)
{
    const auto& c = GetParam();
    storeSetting("graphnumber", QString::number(c.layout));
    start({}, c.dpi);
    EXPECT_EQ(form->outerSize(), QSize(c.startWidth, c.height));
    EXPECT_EQ(control<QWidget>("zavWebLabel1")->y(), c.linkTop);
    EXPECT_EQ(control<LogView>("Memo1")->height(), c.logHeight);
    EXPECT_EQ(control<QWidget>("Image2")->geometry(), QRect(352, 80, 300, 113));
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScreenScale,
                         testing::Values(ScaleCase{144, 4, 628, 553, 423, 1110},
                                         ScaleCase{144, 10, 1271, 1196, 1051, 1110},
                                         ScaleCase{96, 8, 675, 602, 545, 705}),
                         [](const auto& info) {
                             return "Dpi" + std::to_string(int(info.param.dpi)) + "Graphs" +
                                    std::to_string(info.param.layout);
                         });

TEST_F(StartupTest, ShowLogWidensTheWindowScaledAt120Dpi)
{
    start({}, 120);
    form->Showlog1Click();
    EXPECT_EQ(form->outerSize().width(), 1186);
    EXPECT_TRUE(control<LogView>("Memo1")->isVisibleTo(form.get()));
    form->Showlog1Click();
    EXPECT_EQ(form->outerSize().width(), 899);
    EXPECT_FALSE(control<LogView>("Memo1")->isVisibleTo(form.get()));
}

TEST_F(StartupTest, SlotsStandWhereTheTableSaysOnTheirRowPanels)
{
    start();
    EXPECT_EQ(control<QWidget>("Image1")->geometry(), QRect(8, 80, 300, 113));
    EXPECT_EQ(control<QWidget>("Image5")->parentWidget()->objectName(), "Panel4");
    EXPECT_EQ(control<QWidget>("Image10")->mapTo(control<QWidget>("client"), QPoint()), QPoint(352, 624));
    EXPECT_EQ(control<QWidget>("Label20")->geometry().topLeft(), QPoint(348 + 302, 16 + 100));
    EXPECT_EQ(control<QWidget>("Label2")->geometry().topLeft(), QPoint(8 + 302, 80 + 101));
    EXPECT_EQ(control<QWidget>("Status1")->geometry(), QRect(312, 112, 16, 18));
    EXPECT_EQ(control<QWidget>("zavTransLabel31")->geometry(), QRect(56, 64, 250, 17));
    for (const char* name : {"Changehost1", "MenuItem1", "Savegraphtofile1", "Savelogtofile2", "MenuItem17",
                             "MenuItem18", "Savegraphtofile9", "Savelogtofile10", "Openhostfile1", "Exit1",
                             "Stayontop1", "Showlog1", "Resetgraphs1", "Savecurrenthostselection1", "Writelog1",
                             "Producthomepage1", "About2"})
        EXPECT_TRUE(form->findChild<QAction*>(name)) << name;
}

TEST_F(StartupTest, AlwaysOnTopTwiceReturnsToNormal)
{
    start();
    form->Stayontop1Click();
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(control<QAction>("Stayontop1")->isChecked());
    control<QAction>("Stayontop1")->trigger();
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(control<QAction>("Stayontop1")->isChecked());
}

}
