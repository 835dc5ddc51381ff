#include "monitor/controls/UserDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>
#include <ostream>

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

// The history and its write-ahead files, locked as SQLite locks them, in
// the folder a dialog shows: the dialog must not open them, since closing
// any descriptor of a file drops all of this process's locks on it.
struct LockCase {
    const char* name;
    std::function<void(const QString& folder)> ask;

    friend void PrintTo(const LockCase& c, std::ostream* out) { *out << c.name; }
};

// Whether /proc/locks still has this process's lock on the file.
bool stillLocked(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    QFile locks("/proc/locks");
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray mine = QByteArray::number(::getpid()) + " " + QByteArray::number(major(st.st_dev), 16)
                            .rightJustified(2, '0') + ":" + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') +
                            ":" + QByteArray::number(static_cast<qulonglong>(st.st_ino)) + " ";
    return locks.readAll().contains(mine);
}

class DialogLocks : public testing::TestWithParam<LockCase> {};

TEST_P(DialogLocks, LeavesTheHistoryLockedWhileShown)
{
    QTemporaryDir dir;
    const QStringList names{"history.sqlite", "history.sqlite-wal", "history.sqlite-shm"};
    std::vector<int> held;
    for (const QString& name : names) {
        const int fd = ::open(QFile::encodeName(dir.filePath(name)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "SQLite format 3", 16), 16);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
        held.push_back(fd);
    }
    for (const QString& name : names)
        ASSERT_TRUE(stillLocked(dir.filePath(name))) << name.toStdString();
    QStringList lost;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(shownModal());
        ASSERT_TRUE(dialog);
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_TRUE(model);
        // Every file typed, as the dialog's list shows them.
        QElapsedTimer clock;
        clock.start();
        const auto typed = [&] {
            for (const QString& name : names)
                if (model->type(model->index(dir.filePath(name))).isEmpty())
                    return false;
            return true;
        };
        while (!typed() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(typed());
        for (const QString& name : names)
            if (!stillLocked(dir.filePath(name)))
                lost << name;
        dialog->reject();
    });
    GetParam().ask(dir.path());
    EXPECT_TRUE(lost.isEmpty()) << "locks dropped on " << lost.join(", ").toStdString();
    for (const int fd : held)
        ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogLocks,
    testing::Values(LockCase{"open", [](const QString& folder) { UserDialogs::active().openFileName(nullptr, folder); }},
                    LockCase{"save", [](const QString& folder) {
                                 UserDialogs::active().saveFileName(nullptr, folder, "export.csv", "All files (*)");
                             }}),
    [](const auto& info) { return std::string(info.param.name); });

}
