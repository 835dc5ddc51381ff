#include "WindowFixture.h"

#include "graph/Vumo.h"
#include "ping/PingThrd.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>

namespace {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Yellow = 0xFFFFFF00;
constexpr QRgb Orange = 0xFFF78531;
constexpr QRgb Red = 0xFFFF0000;

const QRegularExpression ReplyStamp(R"(, \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d\.(0|[1-9]\d{0,2})$)");
const QRegularExpression PlainStamp(R"(, \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)");

// Ten slots h1 to h10, each with the threshold 50, every option off.
class ReplyProcessing : public WindowFixture {
protected:
    void SetUp() override
    {
        QByteArray hosts;
        for (int n = 1; n <= 10; ++n)
            hosts += "h" + QByteArray::number(n) + ";slot " + QByteArray::number(n) + ";50\n";
        writeFile("hosts.txt", hosts);
        start();
        ASSERT_TRUE(dialogs.errors.isEmpty());
    }

    void showAverage(bool on) { setChecked("CheckBox3", on); }
    void showThreshold(bool on) { setChecked("CheckBox6", on); }
    void showLast(bool on) { setChecked("CheckBox2", on); }

    // A graph that went through what the window's should have.
    std::unique_ptr<TVumo> reference(bool average, bool last) const
    {
        auto g = TForm1::createSlotGraph();
        g->Redraw();
        g->Graphs()[1]->SetVisible(average);
        g->SetShowTopLeft(average);
        g->SetShowTopRight(last);
        return g;
    }

    static QString name(int n) { return "h" + QString::number(n); }
    QString topScale(int n) const { return labelText(Slots[n - 1].topScaleLabel); }
    std::int64_t averageMaximum(int n) const { return form->graph(n).Graphs()[1]->MaxValue(); }
    QStringList logFile() const
    {
        QFile file(QDir(programFolder).filePath(text("Edit4") + ".log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n");
        EXPECT_EQ(lines.takeLast(), "");
        return lines;
    }
};

TEST_F(ReplyProcessing, SampleFeedsGraphScaleRecentValuesAndBothLogs)
{
    reply(name(3), 30);
    EXPECT_EQ(recentValues(3), QStringList{"30"});
    EXPECT_EQ(topScale(3), "30");
    ASSERT_EQ(pollLog(3).size(), 1);
    EXPECT_TRUE(pollLog(3)[0].startsWith("h3, 32 bytes, 30ms, "));
    EXPECT_TRUE(ReplyStamp.match(pollLog(3)[0]).hasMatch()) << pollLog(3)[0].toStdString();
    EXPECT_EQ(combinedLog(), pollLog(3));
    EXPECT_EQ(averageMaximum(3), 0) << "one value gives no average";
    for (int n : {1, 2, 4, 10})
        EXPECT_TRUE(pollLog(n).isEmpty());
}

TEST_F(ReplyProcessing, AverageRoundsHalvesUpFromTwoValuesAndInSlotTenFromThree)
{
    reply(name(2), 1);
    reply(name(2), 2);
    EXPECT_EQ(averageMaximum(2), 2);
    reply(name(10), 1);
    reply(name(10), 2);
    EXPECT_EQ(averageMaximum(10), 0);
    reply(name(10), 3);
    EXPECT_EQ(averageMaximum(10), 2);
}

TEST_F(ReplyProcessing, AllZeroRepliesGiveAnAverageTextOnlyInSlotOne)
{
    showAverage(true);
    showLast(true);
    for (int n : {1, 2}) {
        reply(name(n), 0);
        reply(name(n), 0);
    }
    for (int n : {1, 2}) {
        auto expected = reference(true, true);
        expected->AddValue(0, 0);
        expected->AddValue(0, 0);
        expected->SetGridY(n == 1 ? 10 : 20);
        expected->SetTopRightText("0");
        if (n == 1) {
            expected->SetTopLeftText("0");
            expected->AddValue(1, 0);
        }
        expected->Redraw();
        EXPECT_EQ(picture(n), expected->Picture()) << "slot " << n;
    }
}

// The slot's image draws the graph's own bitmap when it paints: several
// replies before a paint show as the last one left it.
TEST_F(ReplyProcessing, ImagePaintsThePictureOfTheLatestRedraw)
{
    showLast(true);
    auto* image = form->findChild<QWidget*>(Slots[2].image);
    ASSERT_NE(image, nullptr);
    for (const std::vector<std::uint32_t>& replies : {std::vector<std::uint32_t>{30, 40}, {90, 10, 20}}) {
        for (std::uint32_t rtt : replies)
            reply(name(3), rtt);
        EXPECT_EQ(image->grab().toImage().convertToFormat(QImage::Format_RGB32), picture(3));
    }
}

TEST_F(ReplyProcessing, GridStepFollowsTheMaximum)
{
    const std::vector<std::tuple<int, std::uint32_t, int>> cases{{1, 20, 10}, {2, 20, 20}, {3, 21, 2}, {4, 100, 10}};
    for (const auto& [n, rtt, step] : cases) {
        reply(name(n), rtt);
        auto expected = reference(false, false);
        expected->AddValue(0, rtt);
        expected->SetGridY(step);
        expected->SetTopRightText(QString::number(rtt));
        expected->Redraw();
        EXPECT_EQ(picture(n), expected->Picture()) << "slot " << n;
    }
}

TEST_F(ReplyProcessing, ThresholdSignalsNeedStrictlyAboveForTheLastValueAndAtLeastForTheAverage)
{
    showThreshold(true);
    reply(name(4), 50);
    EXPECT_EQ(background(picture(4)), White);
    reply(name(4), 51);
    EXPECT_EQ(background(picture(4)), Yellow);

    showAverage(true);
    reply(name(5), 40);
    EXPECT_EQ(background(picture(5)), White) << "a single value is compared as the sum";
    reply(name(5), 60);
    EXPECT_EQ(background(picture(5)), Orange) << "average 50 equals the threshold";
}

TEST_F(ReplyProcessing, FirstThreeSlotsKeepTheirYellowWhenTheAverageIsBelow)
{
    showThreshold(true);
    showAverage(true);
    for (int n : {3, 4}) {
        reply(name(n), 10);
        reply(name(n), 60);
    }
    EXPECT_EQ(background(picture(3)), Yellow);
    EXPECT_EQ(background(picture(4)), White);
}

TEST_F(ReplyProcessing, ThresholdThatIsNoNumberGivesNoSignalAndNoError)
{
    showThreshold(true);
    setThreshold(6, "abc");
    setThreshold(7, "");
    reply(name(6), 500);
    reply(name(7), 500);
    EXPECT_EQ(background(picture(6)), White);
    EXPECT_EQ(background(picture(7)), White);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReplyProcessing, ForeignReplyPlotsZeroSignalsRedAndLeavesTheRecentValues)
{
    showThreshold(true);
    reply(name(5), 25);
    reply(name(5), 3, "10.9.9.9");
    EXPECT_EQ(background(picture(5)), Red);
    EXPECT_EQ(recentValues(5), QStringList{"25"});
    EXPECT_EQ(topScale(5), "25");
    ASSERT_EQ(pollLog(5).size(), 2);
    EXPECT_TRUE(pollLog(5)[1].startsWith("h5, , "));
    EXPECT_TRUE(PlainStamp.match(pollLog(5)[1]).hasMatch()) << pollLog(5)[1].toStdString();
}

// A host that rejects echoes answers with an error report from its own
// address; a router reports from its own. Either is a failed echo.
TEST_F(ReplyProcessing, ErrorReportsAreFailuresWhoeverSendsThem)
{
    struct Report {
        QString from;
        std::uint32_t status;
        const char* text;
    };
    showThreshold(true);
    setChecked("CheckBox4", true);
    form->Button2Click();
    int n = 4;
    for (const Report& r : {Report{"", 11005, "Destination port unreachable"},
                            Report{"10.9.9.9", 11002, "Destination network unreachable"},
                            Report{"10.9.9.9", 11013, "TTL expired in transit"}}) {
        ++n;
        reply(name(n), 25);
        reply(name(n), 0, r.from, 0, r.status);
        const QString failure = name(n) + ", " + r.text + ", ";
        EXPECT_EQ(background(picture(n)), Red) << r.text;
        EXPECT_EQ(recentValues(n), QStringList{"25"}) << r.text;
        EXPECT_TRUE(pollLog(n).value(1).startsWith("Error: " + failure)) << pollLog(n).value(1).toStdString();
        EXPECT_TRUE(logFile().last().startsWith(failure + ", ")) << logFile().last().toStdString();
    }
}

TEST_F(ReplyProcessing, SlotsFourAndSevenShowTheForeignZeroOnlyFromTheirNextRedraw)
{
    showLast(true);
    for (int n : {4, 5, 7}) {
        reply(name(n), 25);
        reply(name(n), 3, "10.9.9.9");
    }
    EXPECT_NE(picture(4), picture(5));
    EXPECT_EQ(picture(4).copy(0, 0, 250, 113), picture(5).copy(0, 0, 250, 113)) << "only the corner text differs";
    EXPECT_EQ(picture(4), picture(7));
    showLast(false);
    showLast(true);
    EXPECT_EQ(picture(4), picture(5));
}

TEST_F(ReplyProcessing, FailureLinesCarryThePrefixExceptInTheCombinedLogOfSlotsTwoToTen)
{
    showThreshold(true);
    failure(name(1));
    failure(name(2));
    EXPECT_EQ(background(picture(1)), Red);
    EXPECT_EQ(topScale(1), "0");
    ASSERT_EQ(combinedLog().size(), 2);
    EXPECT_TRUE(combinedLog()[0].startsWith("Error: h1, Request timed out, "));
    EXPECT_TRUE(combinedLog()[1].startsWith("h2, Request timed out, "));
    EXPECT_TRUE(pollLog(2).value(0).startsWith("Error: h2, Request timed out, "));
    EXPECT_TRUE(PlainStamp.match(combinedLog()[1]).hasMatch());
}

TEST_F(ReplyProcessing, LogFileGetsOneFourFieldRecordPerOutcomeEvenWithoutASlot)
{
    setChecked("CheckBox4", true);
    form->Button2Click();
    reply(name(1), 3);
    reply(name(2), 4, "10.9.9.9");
    failure(name(3));
    failure("nobody");
    failure(name(4), "");
    reply("nobody", 5);
    const QStringList records = logFile();
    ASSERT_EQ(records.size(), 6) << records.join('\n').toStdString();
    const QStringList starts{"h1, 32 bytes, 3ms, ", "h2, 32 bytes, 4ms, ", "h3, Request timed out, , ",
                             "nobody, Request timed out, , ", "h4, , , ", "nobody, 32 bytes, 5ms, "};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(records[i].startsWith(starts[i])) << records[i].toStdString();
        EXPECT_TRUE(PlainStamp.match(records[i]).hasMatch()) << records[i].toStdString();
        EXPECT_EQ(records[i].count(", "), 3) << records[i].toStdString();
    }
    EXPECT_TRUE(pollLog(4).isEmpty()) << "a failure without text changes no slot";
    EXPECT_EQ(combinedLog().size(), 3);
}

TEST_F(ReplyProcessing, TwoSlotsWithOneHostBothTakeEveryOutcome)
{
    form->applyHostChange("6", "shared", "");
    form->applyHostChange("7", "shared", "");
    setChecked("CheckBox4", true);
    form->Button2Click();
    reply("shared", 9);
    EXPECT_EQ(recentValues(6), QStringList{"9"});
    EXPECT_EQ(recentValues(7), QStringList{"9"});
    EXPECT_EQ(combinedLog().size(), 2);
    EXPECT_EQ(logFile().size(), 1);
}

TEST_F(ReplyProcessing, RecentValuesKeepTheLastHundred)
{
    for (std::uint32_t rtt = 1; rtt <= 101; ++rtt)
        reply(name(2), rtt);
    const QStringList values = recentValues(2);
    ASSERT_EQ(values.size(), 100);
    EXPECT_EQ(values.first(), "2");
    EXPECT_EQ(values.last(), "101");
    EXPECT_EQ(pollLog(2).size(), 101);
}

TEST_F(ReplyProcessing, CombinedLogIsTrimmedToAThousandOnlyByReplies)
{
    for (int i = 0; i < 1005; ++i)
        failure(name(2));
    EXPECT_EQ(combinedLog().size(), 1005);
    reply(name(2), 1);
    EXPECT_EQ(combinedLog().size(), 1001);
    EXPECT_TRUE(combinedLog().last().startsWith("h2, 32 bytes, 1ms"));
    EXPECT_EQ(pollLog(2).size(), 1006);
}

TEST_F(ReplyProcessing, OutcomesAfterQuitAreDropped)
{
    setChecked("CheckBox4", true);
    form->Button2Click();
    form->Button1Click();
    reply(name(1), 3);
    failure(name(1));
    EXPECT_TRUE(pollLog(1).isEmpty());
    EXPECT_TRUE(logFile().isEmpty());
}

TEST_F(ReplyProcessing, UnwritableLogFileIsToldOnceAndEveryRecordIsTriedAgain)
{
    setChecked("CheckBox4", true);
    form->Button2Click();
    ASSERT_TRUE(QDir(programFolder).removeRecursively());
    reply(name(1), 3);
    reply(name(1), 4);
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(combinedLog().filter("Cannot write the log file").size(), 2);
    EXPECT_EQ(pollLog(1).size(), 2) << "processing goes on";
    ASSERT_TRUE(QDir().mkpath(programFolder));
    reply(name(1), 5);
    EXPECT_EQ(logFile().size(), 1);
}

TEST_F(ReplyProcessing, MissingPermissionIsToldOnceWithTheFix)
{
    setChecked("CheckBox4", true);
    for (int i = 0; i < 3; ++i) {
        TPingThread worker;
        worker.HostText = name(1);
        worker.ConstructionError = "Unable to get ping handle";
        form->PingThreadDone(&worker);
    }
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("Unable to get ping handle"));
    EXPECT_TRUE(dialogs.errors[0].contains("ping_group_range"));
    EXPECT_TRUE(dialogs.errors[0].contains("setcap cap_net_raw+ep"));
    // Every echo that could not be sent is recorded with its reason.
    EXPECT_EQ(pollLog(1).filter("Unable to get ping handle").size(), 3);
    EXPECT_EQ(logFile().filter(name(1) + ", Unable to get ping handle, , ").size(), 3);
}

}
