#include "monitor/controls/UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QWidget* shownModal()
{
    return QApplication::activeModalWidget();
}

// "Open host file" takes a name that does not exist yet: the window then
// keeps its hosts and takes the name.
TEST(OpenFileDialog, ConfirmsANameThatDoesNotExist)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("new-hosts.txt");
    QTimer::singleShot(100, [&missing] {
        auto* dialog = qobject_cast<QFileDialog*>(shownModal());
        ASSERT_TRUE(dialog);
        // Any "file not found" box that the dialog may raise is closed, and
        // a dialog that still stands is cancelled: the test ends either way.
        QTimer::singleShot(300, [] {
            if (auto* box = qobject_cast<QMessageBox*>(shownModal()))
                box->accept();
        });
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(name);
        name->setText("new-hosts.txt");
        static_cast<QDialog*>(dialog)->accept();
        if (dialog->isVisible())
            dialog->reject();
    });
    EXPECT_EQ(UserDialogs::active().openFileName(nullptr, dir.path()), missing);
}

}
