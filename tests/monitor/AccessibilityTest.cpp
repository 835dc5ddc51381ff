#include "WindowFixture.h"

#include "monitor/access/SpokenChange.h"
#include "monitor/tray/TrayIndicator.h"

#include "widgets/zavWebLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <map>
#include <set>
#include <utility>

namespace {

QByteArray nineHosts()
{
    QByteArray bytes;
    for (int n = 1; n <= 9; ++n)
        bytes += "127.0.0." + QByteArray::number(n) + (n % 2 ? ";desc " + QByteArray::number(n) : QByteArray(";"))
                 + ";30\r\n";
    return bytes;
}

QString nameOf(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

class Accessibility : public WindowFixture {
protected:
    void SetUp() override
    {
        writeFile("hosts.txt", nineHosts());
        start();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QWidget* slotControl(int n, const char* SlotRow::*member) const
    {
        return control<QWidget>(Slots[n - 1].*member);
    }

    // What a screen reader can land on: every shown control that takes the
    // focus, by its role and name.
    std::map<std::pair<int, QString>, QString> focusableNames() const
    {
        std::map<std::pair<int, QString>, QString> names;
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus))
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
            EXPECT_TRUE(iface) << w->objectName().toStdString();
            if (!iface)
                continue;
            const QString name = iface->text(QAccessible::Name);
            EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString() << " has no name";
            const auto key = std::make_pair(static_cast<int>(iface->role()), name);
            EXPECT_FALSE(names.count(key)) << w->objectName().toStdString() << " is named as "
                                           << names[key].toStdString() << ": " << name.toStdString();
            names[key] = w->objectName();
        }
        return names;
    }

    // Every graph's gathering of changes, 5 s long, ends now.
    void gatheringPasses()
    {
        for (QTimer* gathering : form->findChildren<QTimer*>("SpokenGathering")) {
            if (!gathering->isActive())
                continue;
            EXPECT_EQ(gathering->interval(), 5000);
            gathering->start(0);
            EXPECT_TRUE(QTest::qWaitFor([gathering] { return !gathering->isActive(); }));
        }
    }
};

// Every focusable control that shows, with a threshold panel open and a poll
// log shown, is named, and no two controls of one role share a name.
TEST_F(Accessibility, EveryFocusableControlHasItsOwnName)
{
    form->toggleThresholdPanel(2);
    form->showPollLog(3);
    const auto names = focusableNames();
    // The top bar's eleven, ten "T" buttons, nine graphs and one poll log in
    // place of the tenth, one threshold panel's edit and button.
    EXPECT_EQ(names.size(), 11u + 10u + 9u + 1u + 2u);
}

TEST_F(Accessibility, SlotControlsAreNamedAfterTheirHost)
{
    form->toggleThresholdPanel(10);
    struct Row {
        int slot;
        const char* SlotRow::*control;
        QString name;
    };
    const std::vector<Row> rows{
        {1, &SlotRow::image, "Graph of 127.0.0.1 (desc 1)"},
        {2, &SlotRow::image, "Graph of 127.0.0.2"},
        {10, &SlotRow::image, "Graph of slot 10"},
        {1, &SlotRow::toggleButton, "Threshold of 127.0.0.1"},
        {10, &SlotRow::toggleButton, "Threshold of slot 10"},
        {5, &SlotRow::thresholdEdit, "Threshold in ms of 127.0.0.5"},
        {10, &SlotRow::thresholdEdit, "Threshold in ms of slot 10"},
        {7, &SlotRow::pollLog, "Poll log of 127.0.0.7"},
        {1, &SlotRow::hostLabel, "127.0.0.1"},
        {3, &SlotRow::descriptionLabel, "desc 3"},
        {4, &SlotRow::topScaleLabel, "top of scale 1 ms"},
        {4, &SlotRow::bottomScaleLabel, "bottom of scale 0 ms"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(nameOf(slotControl(row.slot, row.control)), row.name) << row.name.toStdString();
    for (int n = 1; n <= 9; ++n)
        EXPECT_TRUE(nameOf(slotControl(n, &SlotRow::image)).contains(host(n))) << n;
}

TEST_F(Accessibility, NamesFollowAChangeOfHost)
{
    form->applyHostChange("4", "127.0.0.44", "new");
    form->applyHostChange("1", "", "");
    form->applyHostChange("8", "127.0.0.6", "");
    const std::vector<std::pair<QWidget*, QString>> rows{
        {slotControl(6, &SlotRow::image), "Graph of 127.0.0.6 in slot 6"},
        {slotControl(8, &SlotRow::image), "Graph of 127.0.0.6 in slot 8"},
        {slotControl(8, &SlotRow::thresholdEdit), "Threshold in ms of 127.0.0.6 in slot 8"},
        {slotControl(4, &SlotRow::image), "Graph of 127.0.0.44 (new)"},
        {slotControl(4, &SlotRow::toggleButton), "Threshold of 127.0.0.44"},
        {slotControl(4, &SlotRow::thresholdEdit), "Threshold in ms of 127.0.0.44"},
        {slotControl(4, &SlotRow::pollLog), "Poll log of 127.0.0.44"},
        {slotControl(4, &SlotRow::hostLabel), "127.0.0.44"},
        {slotControl(1, &SlotRow::image), "Graph of slot 1"},
        {slotControl(1, &SlotRow::thresholdEdit), "Threshold in ms of slot 1"},
    };
    for (const auto& [control, name] : rows)
        EXPECT_EQ(nameOf(control), name) << control->objectName().toStdString();
    focusableNames();
}

TEST_F(Accessibility, ControlsHaveTheRolesTheyShow)
{
    const std::vector<std::tuple<QObject*, QAccessible::Role, QString>> rows{
        {slotControl(1, &SlotRow::image), QAccessible::Chart, {}},
        {slotControl(1, &SlotRow::hostLabel), QAccessible::StaticText, {}},
        {slotControl(1, &SlotRow::topScaleLabel), QAccessible::StaticText, {}},
        {control<QWidget>("zavWebLabel1"), QAccessible::Link, control<TzavWebLabel>("zavWebLabel1")->Url()},
        {slotControl(1, &SlotRow::pollLog), QAccessible::EditableText, {}},
        {control<QWidget>("Memo1"), QAccessible::EditableText, {}},
        {control<QWidget>("TrackBar1"), QAccessible::Slider, {}},
    };
    for (const auto& [object, role, value] : rows) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->role(), role) << object->objectName().toStdString();
        if (!value.isEmpty()) {
            EXPECT_EQ(iface->text(QAccessible::Value), value);
        }
    }
    QAccessibleInterface* graph = QAccessible::queryAccessibleInterface(slotControl(1, &SlotRow::image));
    EXPECT_TRUE(graph->state().focusable);
    EXPECT_TRUE(graph->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    QAccessibleInterface* log = QAccessible::queryAccessibleInterface(slotControl(1, &SlotRow::pollLog));
    EXPECT_TRUE(log->state().readOnly);
    EXPECT_EQ(nameOf(control<QWidget>("Memo1")), "Combined log");
    EXPECT_EQ(nameOf(control<QWidget>("TrackBar2")), "Payload in bytes");
}

// The keys move the caret as in a text box, and the reader gets the line at
// the caret, with its "\n" but the last.
TEST_F(Accessibility, PollLogLinesCanBeRead)
{
    reply("127.0.0.2", 12);
    failure("127.0.0.2");
    reply("127.0.0.2", 7);
    QWidget* view = slotControl(2, &SlotRow::pollLog);
    view->show();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(view)->textInterface();
    ASSERT_TRUE(text);
    const QStringList lines = pollLog(2);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(text->text(0, text->characterCount()), lines.join('\n'));
    const auto end = [&](int line) { return int(lines[line].size()); };
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int line;
        int column;
    };
    const std::vector<Row> rows{
        {Qt::Key_Up, Qt::NoModifier, 0, 0},          {Qt::Key_Down, Qt::NoModifier, 1, 0},
        {Qt::Key_End, Qt::NoModifier, 1, end(1)},    {Qt::Key_Right, Qt::NoModifier, 2, 0},
        {Qt::Key_Left, Qt::NoModifier, 1, end(1)},   {Qt::Key_Home, Qt::NoModifier, 1, 0},
        {Qt::Key_Right, Qt::NoModifier, 1, 1},       {Qt::Key_End, Qt::ControlModifier, 2, end(2)},
        {Qt::Key_Home, Qt::ControlModifier, 0, 0},   {Qt::Key_PageDown, Qt::NoModifier, 2, 0},
    };
    for (const Row& row : rows) {
        QTest::keyClick(view, row.key, row.modifiers);
        int lineStart = 0;
        for (int i = 0; i < row.line; ++i)
            lineStart += end(i) + 1;
        const int caret = text->cursorPosition();
        EXPECT_EQ(caret, lineStart + row.column) << "key " << row.key;
        int from = -1;
        int to = -1;
        const QString expected = lines[row.line] + (row.line < 2 ? "\n" : "");
        EXPECT_EQ(text->textAtOffset(caret, QAccessible::LineBoundary, &from, &to), expected) << "key " << row.key;
        EXPECT_EQ(std::make_pair(from, to), std::make_pair(lineStart, lineStart + int(expected.size())));
    }
}

// The description says what the graph shows, threshold signal included
// only where it is shown; slot 1 keeps the yellow of a time above the
// threshold while its average stays below, slot 4 does not.
TEST_F(Accessibility, GraphDescriptionSaysWhatTheGraphShows)
{
    struct Row {
        int slot;
        bool signalling;
        std::vector<int> replies;  // -1: a time-out, -2: a reply from another address
        QString description;
    };
    const std::vector<Row> rows{
        {1, false, {}, "no echo yet"},
        {1, false, {37}, "last 37 ms"},
        {1, false, {35, 37}, "last 37 ms, average 36 ms"},
        {1, false, {35, -1}, "last echo: Request timed out"},
        {1, true, {35, -2}, "last echo: Reply from 198.18.7.3"},
        {1, false, {-1, 35, 37}, "last 37 ms, average 36 ms"},
        {1, true, {20, 50}, "last 50 ms, average 35 ms, average at or above threshold 30 ms"},
        {1, true, {10, 40}, "last 40 ms, average 25 ms, above threshold 30 ms"},
        {4, true, {10, 40}, "last 40 ms, average 25 ms"},
        {10, false, {}, "no host"},
    };
    setChecked("CheckBox3", true);
    for (const Row& row : rows) {
        form->Button3Click();
        form->resetSlot(row.slot);
        setChecked("CheckBox6", row.signalling);
        const QString name = host(row.slot);
        for (int rtt : row.replies) {
            if (rtt == -2)
                reply(name, 0, "198.18.7.3");
            else if (rtt < 0)
                failure(name);
            else
                reply(name, static_cast<std::uint32_t>(rtt));
        }
        QAccessibleInterface* graph = QAccessible::queryAccessibleInterface(slotControl(row.slot, &SlotRow::image));
        EXPECT_EQ(graph->text(QAccessible::Description).toStdString(), row.description.toStdString());
    }
}

// While polling runs, the focused graph's changes of state are told in
// words, at most one in a graph's span of gathering, saying where it ended;
// numbers that change every second are not, nor is anything of a graph
// without the focus. The tray follows each change too, yellow for a graph's
// yellow or orange.
TEST_F(Accessibility, StateChangesOfTheFocusedGraphAreToldInWordsOnce)
{
    // Echoes: -1 a time-out, -2 a reply from another address, Passes the end
    // of the gathering, which each row ends with too.
    constexpr int Passes = -3;
    struct Row {
        int focusedSlot;
        std::vector<int> echoes;
        QStringList told;
        TrayGlance::Level tray;
        bool showAverage = false;
    };
    using enum TrayGlance::Level;
    const std::vector<Row> rows{
        {5, {10, 12, 11}, {}, Answering},
        {5, {40, 45, Passes, 10, 12}, {"127.0.0.5 above threshold 30 ms", "127.0.0.5 back below threshold 30 ms"},
         Answering},
        {5, {-1, 10, -1, -1, 10}, {}, Answering},
        {5, {-1, -1, -1, Passes, -1, 10},
         {"127.0.0.5 down: 3 echoes lost since T, Request timed out", "127.0.0.5 up again"}, Answering},
        {5, {-2, -2, -2, Passes, 40}, {"127.0.0.5 down: 3 echoes lost since T, Reply from 198.18.7.3",
                                       "127.0.0.5 up again, above threshold 30 ms"}, AboveThreshold},
        {5, {-1, -1, -1}, {"127.0.0.5 down: 3 echoes lost since T, Request timed out"}, Down},
        {4, {-1, -1, -1, 40}, {}, AboveThreshold},
        {5, {10}, {"127.0.0.5 back below threshold 30 ms"}, Answering},
        {5, {40}, {"127.0.0.5 above threshold 30 ms"}, AboveThreshold},
        {5, {10, 40, 10, 40, 10, 40}, {}, AboveThreshold},
        {5, {-1, -1, -1, 40, -1, -1, -1}, {"127.0.0.5 down: 3 echoes lost since T, Request timed out"}, Down},
        {5, {300, 20}, {"127.0.0.5 up again, above threshold 30 ms"}, AboveThreshold, true},
    };
    const auto* tray = form->findChild<TrayIndicator*>();
    ASSERT_TRUE(tray);
    QStringList told;
    SpokenChange::setListener([&told](QWidget*, const QString& words) {
        told << QString(words).replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "T");
    });
    setChecked("CheckBox6", true);
    setThreshold(5, "30");
    form->Button2Click();
    for (const Row& row : rows) {
        setChecked("CheckBox3", row.showAverage);
        slotControl(row.focusedSlot, &SlotRow::image)->setFocus();
        told.clear();
        for (int echo : row.echoes) {
            if (echo == Passes)
                gatheringPasses();
            else if (echo == -1)
                failure("127.0.0.5");
            else if (echo == -2)
                reply("127.0.0.5", 0, "198.18.7.3");
            else
                reply("127.0.0.5", static_cast<std::uint32_t>(echo));
        }
        gatheringPasses();
        EXPECT_EQ(told.join(" | ").toStdString(), row.told.join(" | ").toStdString())
            << "echoes " << ::testing::PrintToString(row.echoes);
        EXPECT_EQ(tray->level(), row.tray) << "echoes " << ::testing::PrintToString(row.echoes);
    }
    SpokenChange::setListener({});
}

}
