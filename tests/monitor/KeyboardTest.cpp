#include "WindowFixture.h"

#include "common/ProductIdentity.h"
#include "widgets/ABOUT1.h"
#include "widgets/DesktopShell.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFocusFrame>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <set>

namespace {

class Keyboard : public WindowFixture {
protected:
    void SetUp() override
    {
        QByteArray hosts;
        for (int n = 1; n <= 10; ++n)
            hosts += "127.0.0." + QByteArray::number(n) + "\r\n";
        writeFile("hosts.txt", hosts);
        start();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    QWidget* focused() const { return QApplication::focusWidget(); }
    QString focusedName() const { return focused() ? focused()->objectName() : QString(); }
    QWidget* image(int n) const { return control<QWidget>(Slots[n - 1].image); }
    QMenu* popup(int n) const { return control<QMenu>(Slots[n - 1].popupMenu); }
};

// From Quit, the last control of the top bar, Tab walks the slots in order,
// each graph before its "T" button, and comes round to the top bar again.
TEST_F(Keyboard, TabWalksTheGraphsInSlotOrder)
{
    control<QWidget>("Button1")->setFocus();
    QStringList expected;
    for (const SlotRow& row : Slots)
        expected << row.image << row.toggleButton;
    expected << "TrackBar1";
    QStringList walked;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        walked << focusedName();
    }
    EXPECT_EQ(walked, expected);
}

// Keys reach the graph through its window, as the window system hands them
// over; on X11 the Menu key comes as a context-menu event, then the key.
TEST_F(Keyboard, MenuKeysOpenTheGraphsMenuAtTheGraph)
{
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool contextMenuFirst;
    };
    const std::vector<Row> rows{{Qt::Key_Menu, Qt::NoModifier, false},
                                {Qt::Key_F10, Qt::ShiftModifier, false},
                                {Qt::Key_Menu, Qt::NoModifier, true}};
    for (const auto& [key, modifiers, contextMenuFirst] : rows) {
        for (int n : {1, 6}) {
            image(n)->setFocus();
            if (contextMenuFirst) {
                QContextMenuEvent asked(QContextMenuEvent::Keyboard, {}, QCursor::pos(), modifiers);
                QCoreApplication::sendEvent(form->windowHandle(), &asked);
            }
            QTest::keyClick(form->windowHandle(), key, modifiers);
            EXPECT_TRUE(popup(n)->isVisible()) << key << " on slot " << n;
            const QRect graph(image(n)->mapToGlobal(QPoint(0, 0)), image(n)->size());
            EXPECT_TRUE(graph.contains(popup(n)->pos())) << key << " on slot " << n;
            EXPECT_EQ(popup(n)->activeAction(), popup(n)->actions().value(0)) << key << " on slot " << n;
            popup(n)->hide();
        }
    }
}

TEST_F(Keyboard, EnterShowsThePollLogAndEnterOrEscapeBringsTheGraphBack)
{
    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> backKeys{
        {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Escape, Qt::NoModifier}};
    for (int n : {2, 9}) {
        auto* log = control<QWidget>(Slots[n - 1].pollLog);
        for (const auto& [key, modifiers] : backKeys) {
            image(n)->setFocus();
            QTest::keyClick(image(n), Qt::Key_Return);
            EXPECT_TRUE(log->isVisible()) << "slot " << n;
            EXPECT_EQ(focused(), log) << "slot " << n;
            EXPECT_EQ(control<QFocusFrame>("GraphFocusFrame")->widget(), log) << "slot " << n;
            // Behind the log, the graph is passed over both ways.
            QTest::keyClick(log, Qt::Key_Backtab, Qt::ShiftModifier);
            EXPECT_EQ(focusedName(), Slots[n - 2].toggleButton) << "Shift+Tab from the log of slot " << n;
            QTest::keyClick(focused(), Qt::Key_Tab);
            EXPECT_EQ(focused(), log) << "Tab back to the log of slot " << n;
            QTest::keyClick(log, key, modifiers);
            EXPECT_FALSE(log->isVisible()) << key << " on slot " << n;
            EXPECT_EQ(focused(), image(n)) << key << " on slot " << n;
            EXPECT_EQ(control<QFocusFrame>("GraphFocusFrame")->widget(), image(n)) << "slot " << n;
        }
    }
}

// The focus frame lies around the picture: the graph's own pixels on the
// screen are its picture's, with and without the focus, and only the
// frame's ring around it changes.
TEST_F(Keyboard, FocusFrameLeavesThePictureAlone)
{
    setChecked("CheckBox6", true);
    for (std::uint32_t rtt : {10, 80, 40})
        reply("127.0.0.3", rtt);
    QWidget* graph = image(3);
    const QRect ring = QRect(graph->pos(), graph->size()).adjusted(-2, -2, 2, 2);
    const auto screen = [&] {
        QCoreApplication::processEvents();
        return graph->parentWidget()->grab(ring).toImage().convertToFormat(QImage::Format_RGB32);
    };
    control<QWidget>("Button1")->setFocus();
    const QImage unfocused = screen();
    graph->setFocus();
    const QImage focusedLook = screen();
    for (const QImage& look : {unfocused, focusedLook})
        EXPECT_EQ(look.copy(2, 2, GraphWidth, GraphHeight), picture(3));
    EXPECT_EQ(graph->grab().toImage().convertToFormat(QImage::Format_RGB32), picture(3));
    EXPECT_NE(focusedLook.pixel(0, GraphHeight / 2), unfocused.pixel(0, GraphHeight / 2)) << "no frame on the left";
    EXPECT_NE(focusedLook.pixel(GraphWidth + 3, GraphHeight / 2), unfocused.pixel(GraphWidth + 3, GraphHeight / 2))
        << "no frame on the right";
}

// Every menu title and item has a mnemonic of its own within its menu, and
// shows the text it showed before.
TEST_F(Keyboard, EveryMenuEntryHasItsOwnMnemonic)
{
    const QList<QMenu*> menus = form->findChildren<QMenu*>();
    QStringList visibleTitles;
    const auto check = [](const QList<QAction*>& actions, const QString& menu) {
        std::set<QChar> taken;
        for (QAction* action : actions) {
            if (action->isSeparator())
                continue;
            const QString text = action->text();
            const qsizetype at = text.indexOf('&');
            ASSERT_GE(at, 0) << menu.toStdString() << ": " << text.toStdString();
            ASSERT_LT(at + 1, text.size());
            EXPECT_EQ(text.indexOf('&', at + 1), -1) << text.toStdString();
            EXPECT_TRUE(taken.insert(text[at + 1].toLower()).second) << menu.toStdString() << ": " << text.toStdString();
        }
    };
    check(form->menuBar()->actions(), "menu bar");
    for (QMenu* menu : menus)
        check(menu->actions(), menu->objectName() + " " + menu->title());
    for (QAction* title : form->menuBar()->actions())
        visibleTitles << QString(title->text()).remove('&');
    EXPECT_EQ(visibleTitles, (QStringList{"File", "View", "Options", "?"}));
    const std::vector<std::pair<const char*, QString>> items{
        {"Exit1", "Exit"}, {"N10graphs1", "10 graphs"}, {"Changehost1", "Change host"},
        {"Savelogtofile10", "Save log to file"}, {"About2", "About..."}};
    for (const auto& [name, text] : items)
        EXPECT_EQ(control<QAction>(name)->text().remove('&'), text);
    // Not "0": the digit a user reaches for first.
    EXPECT_EQ(control<QAction>("N10graphs1")->text(), "&10 graphs");
}

// "C" hands the keys back to the "T" that opened the panel, at every
// opening.
TEST_F(Keyboard, ClosingTheThresholdPanelReturnsToItsButton)
{
    for (int n : {1, 6, 10}) {
        auto* toggle = control<QWidget>(Slots[n - 1].toggleButton);
        for (int showing = 1; showing <= 2; ++showing) {
            toggle->setFocus();
            QTest::keyClick(toggle, Qt::Key_Space);
            EXPECT_EQ(focusedName(), Slots[n - 1].thresholdEdit) << "slot " << n;
            QTest::keyClick(focused(), Qt::Key_Tab);
            EXPECT_EQ(focusedName(), Slots[n - 1].closeButton) << "slot " << n;
            QTest::keyClick(focused(), Qt::Key_Space);
            EXPECT_FALSE(control<QWidget>(Slots[n - 1].thresholdPanel)->isVisible()) << "slot " << n;
            EXPECT_EQ(focused(), toggle) << "slot " << n << ", showing " << showing;
        }
    }
}

class RecordingShell final : public DesktopShell {
public:
    int Open(const QString& url, const LaterFailure&) override
    {
        opened << url;
        return 42;
    }
    QStringList opened;
};

// Each showing starts at Close; Tab reaches the bug address, where Enter
// writes to it, then the home page, then Close, where Enter ends the box.
TEST_F(Keyboard, AboutBoxLinksAreInTheTabOrder)
{
    RecordingShell shell;
    DesktopShell::Install(&shell);
    TAboutBox1 about(form.get());
    form->setDialogs({}, [&about] { return &about; });
    for (int showing = 1; showing <= 2; ++showing) {
        QStringList walked;
        QTimer::singleShot(0, [&] {
            // A box the keys fail to close must not hold the test.
            QTimer::singleShot(5000, &about, &QDialog::reject);
            about.activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] { return about.isAncestorOf(focused()); }));
            walked << focusedName();
            for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Tab}) {
                QTest::keyClick(focused(), key);
                walked << focusedName();
            }
            QTest::keyClick(focused(), Qt::Key_Return);
        });
        form->About2Click();
        EXPECT_EQ(walked, (QStringList{"Button1", "zavWebLabel2", "zavWebLabel2", "zavWebLabel1", "Button1"}))
            << "showing " << showing;
    }
    DesktopShell::Install(nullptr);
    EXPECT_EQ(shell.opened, QStringList(2, "mailto:" + QString::fromLatin1(ProductIdentity::BugAddress)));
}

TEST_F(Keyboard, AltAndAMnemonicOpensItsMenu)
{
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    QMenu* file = form->menuBar()->actions().first()->menu();
    EXPECT_TRUE(file->isVisible());
    file->hide();
}

}
