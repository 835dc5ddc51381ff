#include "WindowFixture.h"

#include "widgets/zavWebLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

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
};

// Every focusable control that shows, with a threshold panel open and a poll
// log shown, is named, and no two controls of one role share a name.
TEST_F(Accessibility, EveryFocusableControlHasItsOwnName)
{
    form->toggleThresholdPanel(2);
    form->showPollLog(3);
    const auto names = focusableNames();
    // The top bar's eleven, ten graphs and their "T" buttons, one threshold
    // panel's edit and button, one poll log.
    EXPECT_EQ(names.size(), 11u + 20u + 2u + 1u);
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

TEST_F(Accessibility, PollLogLinesCanBeRead)
{
    reply("127.0.0.2", 12);
    failure("127.0.0.2");
    QAccessibleInterface* log = QAccessible::queryAccessibleInterface(slotControl(2, &SlotRow::pollLog));
    ASSERT_TRUE(log->textInterface());
    EXPECT_EQ(log->textInterface()->text(0, log->textInterface()->characterCount()), pollLog(2).join('\n'));
}

// The description says what the graph shows, threshold signal included
// only where it is shown; slot 1 keeps the yellow of a time above the
// threshold while its average stays below, slot 4 does not.
TEST_F(Accessibility, GraphDescriptionSaysWhatTheGraphShows)
{
    struct Row {
        int slot;
        bool signalling;
        std::vector<int> replies;  // -1: a time-out
        QString description;
    };
    const std::vector<Row> rows{
        {1, false, {}, "no echo yet"},
        {1, false, {37}, "last 37 ms"},
        {1, false, {35, 37}, "last 37 ms, average 36 ms"},
        {1, false, {35, -1}, "last echo: Request timed out"},
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
            if (rtt < 0)
                failure(name);
            else
                reply(name, static_cast<std::uint32_t>(rtt));
        }
        QAccessibleInterface* graph = QAccessible::queryAccessibleInterface(slotControl(row.slot, &SlotRow::image));
        EXPECT_EQ(graph->text(QAccessible::Description).toStdString(), row.description.toStdString());
    }
}

std::vector<QObject*> descriptionChanges;

void recordDescriptionChange(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::DescriptionChanged)
        descriptionChanges.push_back(event->object());
}

// A reply every few milliseconds is told at once, then once when the
// second has passed; the other graphs stay silent.
TEST_F(Accessibility, GraphChangesAreToldAtMostOnceASecond)
{
    descriptionChanges.clear();
    const auto previous = QAccessible::installUpdateHandler(recordDescriptionChange);
    QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    ASSERT_TRUE(platform);
    platform->setActive(true);
    QObject* graph = slotControl(6, &SlotRow::image);
    for (int i = 0; i < 5; ++i)
        reply("127.0.0.6", 10 + i);
    EXPECT_EQ(descriptionChanges, std::vector<QObject*>{graph});
    QTest::qWait(500);
    reply("127.0.0.6", 20);
    EXPECT_EQ(descriptionChanges.size(), 1u);
    QTest::qWait(700);
    EXPECT_EQ(descriptionChanges, (std::vector<QObject*>{graph, graph}));
    platform->setActive(false);
    QAccessible::installUpdateHandler(previous);
}

}
