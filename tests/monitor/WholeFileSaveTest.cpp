#include "monitor/files/WholeFileSave.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

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

}
