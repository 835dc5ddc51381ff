#include "WindowFixture.h"

#include "monitor/controls/WindowTimer.h"
#include "ping/WorkerRegistry.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>

namespace {

const QString ThirtyDigits = "123456789012345678901234567890";

// Interval and payload texts that arrive by pasting, which the digit-only
// key filter never sees: signs, letters, blanks, digits of other scripts
// and more digits than any integer holds.
class PastedNumbers : public WindowFixture {
protected:
    void SetUp() override
    {
        writeFile("hosts.txt", "10.0.0.1;a\n");
        start();
        ASSERT_TRUE(dialogs.errors.isEmpty());
    }
    void TearDown() override { WorkerRegistry::releaseAllWorkers(); }

    void paste(const char* field, const QString& text)
    {
        auto* edit = control<QLineEdit>(field);
        QGuiApplication::clipboard()->setText(text);
        edit->selectAll();
        edit->paste();
    }
    void tickAndSettle()
    {
        form->Timer1Timer();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    WindowTimer* timer() const { return control<WindowTimer>("Timer1"); }
};

TEST_F(PastedNumbers, IntervalWithAPlusSignIsTaken)
{
    paste("Edit2", "+5");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(timer()->interval(), 5000);
    EXPECT_EQ(storedSettings()["interval"], "+5");
}

TEST_F(PastedNumbers, JunkIntervalsAreEachToldAndChangeNothing)
{
    paste("Edit2", "7");
    const QStringList junk{"7 s", "0x10", ThirtyDigits, QString::fromUtf8("\xef\xbc\x97"), " 7"};
    for (const QString& text : junk)
        paste("Edit2", text);
    ASSERT_EQ(dialogs.errors.size(), junk.size()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(dialogs.errors[2], "'" + ThirtyDigits + "' is not a valid integer value");
    EXPECT_EQ(timer()->interval(), 7000);
    EXPECT_EQ(storedSettings()["interval"], "7");
}

TEST_F(PastedNumbers, PayloadWithAPlusSignIsSent)
{
    paste("Edit3", "+64");
    tickAndSettle();
    ASSERT_EQ(echoes.echoes().size(), 1u);
    EXPECT_EQ(echoes.echoes()[0].request.size(), 64u);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(PastedNumbers, JunkPayloadsSendNothingAndAreToldOnceInABoxAndEachTickInTheLog)
{
    const QStringList junk{"64 bytes", ThirtyDigits, QString::fromUtf8("\xd9\xa6\xd9\xa4"), "1e3", "6 4"};
    for (const QString& text : junk) {
        paste("Edit3", text);
        EXPECT_EQ(storedSettings()["payload"], text) << "what was pasted is kept to be corrected";
        tickAndSettle();
    }
    EXPECT_TRUE(echoes.echoes().empty());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("The payload \"64 bytes\" is not a whole number of bytes"));
    EXPECT_EQ(combinedLog().filter("is not a whole number of bytes").size(), junk.size());
    EXPECT_EQ(combinedLog().filter("\"" + ThirtyDigits + "\" is not").size(), 1);
}

// A negative size is a whole number, so it is sent on; the echo engine
// refuses it, and each tick gives every slot a failure instead of a box.
TEST_F(PastedNumbers, NegativePayloadFailsEveryTickWithBadRequest)
{
    form->Button2Click();
    setChecked("CheckBox6", true);
    setChecked("CheckBox4", true);
    for (const QString& payload : {QString("-5"), QString("-1"), QString("-2147483648")}) {
        paste("Edit3", payload);
        tickAndSettle();
        EXPECT_TRUE(pollLog(1).value(pollLog(1).size() - 1).startsWith("Error: 10.0.0.1, Bad request, "))
            << payload.toStdString() << ": " << pollLog(1).join('\n').toStdString();
    }
    EXPECT_EQ(pollLog(1).size(), 3);
    EXPECT_EQ(background(picture(1)), 0xFFFF0000u) << "red";
    QFile log(programFolder + "/" + text("Edit4") + ".log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("10.0.0.1, Bad request, , "), 3);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

}
