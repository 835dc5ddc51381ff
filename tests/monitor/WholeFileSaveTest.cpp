#include "monitor/files/RecordsInUse.h"
#include "monitor/files/WholeFileSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A save that fails half-way leaves the chosen name as it was (absent, or
// with its old contents) and nothing beside it.
struct SaveCase {
    const char* name;
    const char* before;  // nullptr: no file yet
    bool failsHalfWay;
    const char* after;   // nullptr: still no file

    friend void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }
};

class WholeFileSaving : public testing::TestWithParam<SaveCase> {};

TEST_P(WholeFileSaving, LeavesTheOldFileOrTheWholeNewOne)
{
    const SaveCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath("saved.txt");
    if (c.before) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(c.before);
    }
    const auto write = [&](QIODevice& file) {
        file.write("first half, ");
        return !c.failsHalfWay && file.write("second half") > 0;
    };
    if (c.failsHalfWay)
        EXPECT_THROW(WholeFileSave::save(path, "Cannot write the test file", write), std::runtime_error);
    else
        WholeFileSave::save(path, "Cannot write the test file", write);

    QFile file(path);
    EXPECT_EQ(file.exists(), c.after != nullptr);
    if (c.after) {
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.after);
    }
    const auto left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, c.after ? QStringList{"saved.txt"} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeFileSaving,
    testing::Values(SaveCase{"NewFile", nullptr, false, "first half, second half"},
                    SaveCase{"Replaced", "old contents", false, "first half, second half"},
                    SaveCase{"NewFileFailing", nullptr, true, nullptr},
                    SaveCase{"ReplacementFailing", "old contents", true, "old contents"}),
    [](const auto& info) { return std::string(info.param.name); });

// The history in use under the name chosen, or under another name of the
// same file: refused with its reason, and the history left as it was.
struct InUseCase {
    const char* name;
    const char* chosen;  // in the history's folder
    bool linked;         // made as a hard link to the history
    bool refused;

    friend void PrintTo(const InUseCase& c, std::ostream* out) { *out << c.name; }
};

class SavingOverRecords : public testing::TestWithParam<InUseCase> {};

TEST_P(SavingOverRecords, RefusesTheHistoryInUse)
{
    const InUseCase& c = GetParam();
    QTemporaryDir folder;
    const QString history = QDir(folder.path()).filePath("history.sqlite");
    QFile file(history);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("SQLite format 3");
    file.close();
    RecordsInUse::addHistory(history);
    const QString chosen = QDir(folder.path()).filePath(c.chosen);
    if (c.linked) {
        ASSERT_EQ(::link(QFile::encodeName(history).constData(), QFile::encodeName(chosen).constData()), 0);
    }
    const auto save = [&] { WholeFileSave::save(chosen, "Cannot save", [](QIODevice& d) { return d.write("x") == 1; }); };
    if (c.refused) {
        try {
            save();
            ADD_FAILURE() << "saved";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString(e.what()).contains("history, which is in use")) << e.what();
        }
    } else {
        EXPECT_NO_THROW(save());
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "SQLite format 3");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SavingOverRecords,
    testing::Values(InUseCase{"the_history", "history.sqlite", false, true},
                    InUseCase{"its_write_ahead_log_not_there_yet", "history.sqlite-wal", false, true},
                    InUseCase{"a_hard_link_to_it", "other.csv", true, true},
                    InUseCase{"a_name_of_its_own", "history.csv", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The saved file's mode: an existing file keeps its own, a new one gets
// what the umask leaves, and a mode asked for holds whatever the umask. A
// symbolic link stays a link, and the file it leads to is replaced.
struct ModeCase {
    const char* name;
    int before;      // the existing file's mode; 0: no file yet
    bool viaLink;    // saved under a symbolic link to the file
    mode_t umask;
    int asked;       // 0: none asked for
    int after;

    friend void PrintTo(const ModeCase& c, std::ostream* out) { *out << c.name; }
};

class SavedFileModes : public testing::TestWithParam<ModeCase> {};

TEST_P(SavedFileModes, KeepTheFilesOwnOrTheOneAskedFor)
{
    const ModeCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath("saved.prom");
    if (c.before) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        ASSERT_TRUE(old.setPermissions(QFileDevice::Permissions()));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(c.before)), 0);
    }
    const QString named = c.viaLink ? QDir(folder.path()).filePath("link.prom") : path;
    if (c.viaLink) {
        ASSERT_TRUE(QFile::link(path, named));
    }
    WholeFileSave::Way way;
    if (c.asked)
        way.mode = static_cast<mode_t>(c.asked);
    const mode_t old = ::umask(c.umask);
    WholeFileSave::save(named, "Cannot save", [](QIODevice& d) { return d.write("new") == 3; }, way);
    ::umask(old);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, static_cast<mode_t>(c.after));
    EXPECT_EQ(QFileInfo(named).isSymLink(), c.viaLink);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "new");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SavedFileModes,
    testing::Values(ModeCase{"existing_file_keeps_its_mode", 0640, false, 022, 0, 0640},
                    ModeCase{"new_file_by_the_umask", 0, false, 027, 0, 0640},
                    ModeCase{"asked_for_past_a_narrow_umask", 0, false, 077, 0644, 0644},
                    ModeCase{"asked_for_over_an_existing_file", 0600, false, 022, 0644, 0644},
                    ModeCase{"through_a_link_to_the_file", 0604, true, 022, 0, 0604}),
    [](const auto& info) { return std::string(info.param.name); });

}
