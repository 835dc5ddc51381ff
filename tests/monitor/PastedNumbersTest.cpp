#include "WindowFixture.h"

#include "monitor/WindowTimer.h"
#include "ping/WorkerRegistry.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
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
    const QStringList junk{"7 s", "-3", "0x10", ThirtyDigits, QString::fromUtf8("\xef\xbc\x97"), " 7"};
    for (const QString& text : junk)
        paste("Edit2", text);
    ASSERT_EQ(dialogs.errors.size(), junk.size()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(dialogs.errors[1], "'-3' is not a valid interval: give whole seconds from 0 up");
    EXPECT_EQ(dialogs.errors[3], "'" + ThirtyDigits + "' is not a valid integer value");
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
    const QStringList junk{"-1", "64 bytes", ThirtyDigits, QString::fromUtf8("\xd9\xa6\xd9\xa4"), "1e3", "6 4"};
    for (const QString& text : junk) {
        paste("Edit3", text);
        EXPECT_EQ(storedSettings()["payload"], text) << "what was pasted is kept to be corrected";
        tickAndSettle();
    }
    EXPECT_TRUE(echoes.echoes().empty());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("The payload \"-1\" is not a whole number of bytes"));
    EXPECT_EQ(combinedLog().filter("is not a whole number of bytes").size(), junk.size());
    EXPECT_EQ(combinedLog().filter("\"" + ThirtyDigits + "\" is not").size(), 1);
}

}
