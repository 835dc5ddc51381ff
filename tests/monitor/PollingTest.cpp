#include "WindowFixture.h"

#include "monitor/controls/WindowTimer.h"
#include "ping/WorkerRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace {

class Polling : public WindowFixture {
protected:
    void SetUp() override
    {
        writeFile("hosts.txt", "10.0.0.1;a\n\n10.0.0.3;c\n   ;blanks\n");
        start();
    }
    void TearDown() override { WorkerRegistry::releaseAllWorkers(); }

    // Lets the workers of a tick finish and hand over their outcomes.
    void settle()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    WindowTimer* timer() const { return control<WindowTimer>("Timer1"); }
};

TEST_F(Polling, StartAndStopEachMakeAStampAndStartEmptiesTheCombinedLog)
{
    failure("10.0.0.1");
    form->Button2Click();
    EXPECT_TRUE(timer()->enabled());
    EXPECT_EQ(control<QPushButton>("Button2")->text(), "&Stop");
    EXPECT_TRUE(QRegularExpression(R"(^\d{8}_\d{6}$)").match(text("Edit4")).hasMatch()) << text("Edit4").toStdString();
    EXPECT_TRUE(combinedLog().isEmpty());
    failure("10.0.0.1");
    form->Button2Click();
    EXPECT_FALSE(timer()->enabled());
    EXPECT_EQ(control<QPushButton>("Button2")->text(), "&Start");
    EXPECT_EQ(combinedLog().size(), 1) << "stopping keeps the log";
}

TEST_F(Polling, TickStartsOneWorkerPerNonEmptySlotWithTheWindowsInputs)
{
    control<QLineEdit>("Edit3")->setText("45");
    form->Timer1Timer();
    settle();
    const auto sent = echoes.echoes();
    // The blank slot is polled too, but its host, trimmed, resolves to
    // nothing and sends nothing.
    ASSERT_EQ(sent.size(), 2u);
    for (const auto& echo : sent) {
        EXPECT_EQ(echo.request.size(), 45u);
        EXPECT_EQ(echo.timeoutMs, 5000u);
        EXPECT_EQ(echo.options.Ttl, 32);
        EXPECT_EQ(echo.options.Flags, 0);
    }
    EXPECT_TRUE(pollLog(4).value(0).startsWith("Error:    , Bad Destination, ")) << pollLog(4).value(0).toStdString();
    EXPECT_EQ(pollLog(1).size(), 1);
    EXPECT_TRUE(pollLog(2).isEmpty());
}

TEST_F(Polling, PayloadZeroKeepsTheDefaultAndEmptyBecomesOne)
{
    control<QLineEdit>("Edit3")->setText("0");
    form->Timer1Timer();
    settle();
    EXPECT_EQ(echoes.echoes().at(0).request.size(), 56u);
    control<QLineEdit>("Edit3")->setText("");
    EXPECT_EQ(text("Edit3"), "1");
    EXPECT_EQ(storedSettings()["payload"], "1");
}

TEST_F(Polling, InvalidPayloadStartsNoWorkerAndIsToldOnceInABoxAndEachTickInTheLog)
{
    for (const QString& junk : {QString("12abc"), QString("123456789012345678901234567890")}) {
        control<QLineEdit>("Edit3")->setText(junk);
        form->Timer1Timer();
        form->Timer1Timer();
    }
    settle();
    EXPECT_TRUE(echoes.echoes().empty());
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(combinedLog().filter("is not a whole number of bytes").size(), 4);
    EXPECT_EQ(WorkerRegistry::length(), 0) << "no worker was left unstarted";
}

TEST_F(Polling, IntervalLabelComparesTheExactText)
{
    auto* edit = control<QLineEdit>("Edit2");
    edit->setText("1");
    EXPECT_EQ(labelText("Label26"), "second");
    EXPECT_EQ(timer()->interval(), 1000);
    edit->setText("01");
    EXPECT_EQ(labelText("Label26"), "in seconds");
    edit->setText("2");
    EXPECT_EQ(labelText("Label26"), "in seconds");
    EXPECT_EQ(storedSettings()["interval"], "2");
}

TEST_F(Polling, IntervalZeroOrNegativeKeepsTheCycleRunningWithoutTicksOrMessage)
{
    form->Button2Click();
    for (const char* interval : {"0", "-3", "-2147483648"}) {
        control<QLineEdit>("Edit2")->setText("1");
        control<QLineEdit>("Edit2")->setText(interval);
        QSignalSpy ticks(timer(), &WindowTimer::timeout);
        settle();
        EXPECT_EQ(ticks.count(), 0) << interval;
        EXPECT_EQ(timer()->interval(), 0) << interval;
        EXPECT_TRUE(timer()->enabled());
        EXPECT_EQ(control<QPushButton>("Button2")->text(), "&Stop");
        EXPECT_EQ(storedSettings()["interval"], interval);
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

TEST_F(Polling, HugeIntervalIsBoundedToWhatTheTimerHolds)
{
    control<QLineEdit>("Edit2")->setText("9999999");
    EXPECT_EQ(timer()->interval(), WindowTimer::MaxInterval);
    EXPECT_EQ(storedSettings()["interval"], "9999999");
}

TEST_F(Polling, PastedJunkIntervalIsReportedAndChangesNothing)
{
    control<QLineEdit>("Edit2")->setText("7");
    dialogs.errors.clear();
    control<QLineEdit>("Edit2")->setText("7x");
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], "'7x' is not a valid integer value");
    EXPECT_EQ(timer()->interval(), 7000);
    EXPECT_EQ(storedSettings()["interval"], "7");
}

TEST_F(Polling, OnlyDigitsAndBackspaceCanBeTyped)
{
    auto* edit = control<QLineEdit>("Edit3");
    edit->clear();
    EXPECT_EQ(edit->text(), "1") << "an emptied payload becomes 1";
    QTest::keyClicks(edit, "1a-2 .3");
    EXPECT_EQ(edit->text(), "1123");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "112");
}

TEST_F(Polling, SliderWritesFieldTimerAndStore)
{
    control<QSlider>("TrackBar1")->setValue(9);
    EXPECT_EQ(text("Edit2"), "9");
    EXPECT_EQ(timer()->interval(), 9000);
    EXPECT_EQ(storedSettings()["interval"], "9");
    control<QSlider>("TrackBar2")->setValue(600);
    EXPECT_EQ(text("Edit3"), "512");
    EXPECT_EQ(storedSettings()["payload"], "512");
}

}
