#include "monitor/controls/UserDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Types into whatever the shown dialog has focused, as a person would.
std::optional<int> answer(int offered, const QString& typed, Qt::Key last)
{
    QTimer::singleShot(100, [typed, last] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(qobject_cast<QInputDialog*>(dialog));
        QWidget* field = dialog->focusWidget();
        ASSERT_TRUE(field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, last);
        if (dialog->isVisible())
            static_cast<QDialog*>(dialog)->reject();
    });
    return UserDialogs::active().askInteger(nullptr, "Lost echoes:", offered, 1, 100);
}

// The same question three times: a number, a number past the range (its
// last digit is refused as it is typed), and a cancel.
TEST(IntegerDialog, TakesTypedNumbersWithinItsRangeEachTime)
{
    EXPECT_EQ(answer(3, "12", Qt::Key_Return), 12);
    EXPECT_EQ(answer(12, "250", Qt::Key_Return), 25);
    EXPECT_EQ(answer(25, "9", Qt::Key_Escape), std::nullopt);
}

}
