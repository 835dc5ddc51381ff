#include "ping/socket/IcmpHelperProcess.h"
#include "ping/start/PermissionAdvice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

// What stands where the ICMP helper is looked for, and what the advice
// must then tell; %1 is the helper's path.
struct AdviceCase {
    const char* test;
    const char* place;  // "unexecutable file" or "folder"
    QStringList told;
    QString neverTold;

    friend void PrintTo(const AdviceCase& c, std::ostream* out) { *out << c.test; }
};

class HelperAdvice : public testing::TestWithParam<AdviceCase> {
protected:
    void TearDown() override { IcmpHelperProcess::setProgram(""); }
};

TEST_P(HelperAdvice, NamesWhatStandsWhereTheHelperIsLookedFor)
{
    const AdviceCase& c = GetParam();
    QTemporaryDir folder;
    const QString helper = folder.filePath("quorvane-icmp");
    if (QString(c.place) == "folder") {
        ASSERT_TRUE(QDir(folder.path()).mkdir("quorvane-icmp"));
    } else {
        QFile file(helper);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    IcmpHelperProcess::setProgram(helper.toStdString());
    ASSERT_EQ(IcmpHelperProcess::start(0), nullptr);
    const QString advice = PermissionAdvice::text("Unable to get ping handle");
    for (const QString& part : c.told) {
        const QString expected = QString(part).replace("%1", helper);
        EXPECT_TRUE(advice.contains(expected)) << expected.toStdString() << " not in\n" << advice.toStdString();
    }
    EXPECT_FALSE(advice.contains(c.neverTold)) << advice.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Places, HelperAdvice,
    testing::Values(
        AdviceCase{"without execute bit", "unexecutable file",
                   {"The ICMP helper %1 exists but cannot be run: Permission denied.\n",
                    "    sudo chmod 755 %1\n    sudo setcap cap_net_raw+ep %1\n", "install the program again"},
                   "missing"},
        AdviceCase{"a folder in its place", "folder",
                   {"The ICMP helper %1 exists but cannot be run: Is a directory.\n", "install the program again"},
                   "started again"}),
    [](const auto& info) { return QString(info.param.test).replace(' ', '_').toStdString(); });

}
