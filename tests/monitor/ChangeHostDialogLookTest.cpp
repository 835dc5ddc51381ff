#include "monitor/controls/About.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

TEST(ChangeHostDialog, HostFieldTakesTheFocusEachTimeTheDialogBecomesActive)
{
    QWidget other;
    other.show();
    TAboutBox dialog;
    dialog.show();
    auto* host = dialog.findChild<QLineEdit*>("Edit1");
    auto* description = dialog.findChild<QLineEdit*>("Edit2");
    for (int round = 1; round <= 2; ++round) {
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(QApplication::focusWidget(), host) << round;
        description->setFocus();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    }
}

// The dialog is one instance, shown again and again: a Cancel click must
// not leave "&Cancel" the default button for the next showing's Enter.
TEST(ChangeHostDialog, EnterAcceptsAtTheShowingAfterACancelClick)
{
    TAboutBox dialog;
    QStringList accepted;
    dialog.setAcceptHandler([&](const QString& slot, const QString& host, const QString& description) {
        accepted << slot + ' ' + host + ' ' + description;
    });
    const auto whenActive = [&dialog](std::function<void()> act) {
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            act();
        });
    };
    whenActive([&dialog] { QTest::mouseClick(dialog.findChild<QPushButton*>("Button1"), Qt::LeftButton); });
    dialog.edit("1", "127.0.0.1", "loop");
    ASSERT_EQ(dialog.result(), QDialog::Rejected);

    whenActive([] {
        QWidget* typing = QApplication::focusWidget();
        QTest::keyClick(typing, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(typing, "::1");
        QTest::keyClick(typing, Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "v6");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QTimer::singleShot(5000, &dialog, &QDialog::reject);
    dialog.edit("2", "127.0.0.2", "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(accepted, QStringList{"2 ::1 v6"});
}

// One pixel of the frame around the two fields, and the shade it must have:
// a lowered outer bevel (shadow above and left, light below and right)
// around a raised inner one (the other way round).
struct BevelPixel {
    const char* edge;
    QPoint at;
    QPalette::ColorRole shade;

    friend void PrintTo(const BevelPixel& row, std::ostream* out) { *out << row.edge; }
};

class ChangeHostBevel : public testing::TestWithParam<BevelPixel> {};

TEST_P(ChangeHostBevel, FrameHasALoweredOuterAndARaisedInnerBevel)
{
    TAboutBox dialog;
    auto* panel = dialog.findChild<QFrame*>("Panel1");
    const QImage pixels = panel->grab().toImage();
    ASSERT_EQ(pixels.size(), QSize(281, 81));
    EXPECT_EQ(QColor(pixels.pixel(GetParam().at)).name(), panel->palette().color(GetParam().shade).name());
}

INSTANTIATE_TEST_SUITE_P(Edges, ChangeHostBevel,
                         testing::Values(BevelPixel{"outerTop", {140, 0}, QPalette::Dark},
                                         BevelPixel{"outerLeft", {0, 40}, QPalette::Dark},
                                         BevelPixel{"outerBottom", {140, 80}, QPalette::Light},
                                         BevelPixel{"outerRight", {280, 40}, QPalette::Light},
                                         BevelPixel{"innerTop", {140, 1}, QPalette::Light},
                                         BevelPixel{"innerLeft", {1, 40}, QPalette::Light},
                                         BevelPixel{"innerBottom", {140, 79}, QPalette::Dark},
                                         BevelPixel{"innerRight", {279, 40}, QPalette::Dark}),
                         [](const auto& info) { return std::string(info.param.edge); });

}
