#include "FakeDialogs.h"

#include "monitor/controls/About.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Entry {
    const char* name;
    QString host;
    QString description;
    // Empty when the entry is taken; otherwise a text the message holds.
    QString refusal;

    friend void PrintTo(const Entry& c, std::ostream* out) { *out << c.name; }
};

// A host or description is one field of a log record and of a host list
// line: what would split either is refused, and the dialog stays open
// with the text as typed.
class ChangeHostEntry : public testing::TestWithParam<Entry> {};

TEST_P(ChangeHostEntry, IsTakenOrRefusedWithAClearMessage)
{
    const Entry& c = GetParam();
    FakeDialogs dialogs;
    TAboutBox dialog;
    int accepted = 0;
    dialog.setAcceptHandler([&](const QString&, const QString& host, const QString& description) {
        ++accepted;
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(description, c.description);
    });
    dialog.findChild<QLineEdit*>("Edit1")->setText(c.host);
    dialog.findChild<QLineEdit*>("Edit2")->setText(c.description);
    dialog.OKButtonClick();

    if (c.refusal.isEmpty()) {
        EXPECT_EQ(accepted, 1);
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
        return;
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(c.refusal)) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(dialogs.errors[0].contains('\n')) << dialogs.errors[0].toStdString();
    EXPECT_EQ(dialog.findChild<QLineEdit*>("Edit1")->text(), c.host);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("Edit2")->text(), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ChangeHostEntry,
    testing::Values(
        Entry{"PlainHost", "198.18.6.2", "Office, floor 2", ""},
        Entry{"Ipv6Host", "2001:db8::7", "v6 host", ""},
        Entry{"HostNameWithAccent", QString::fromUtf8("h\xC3\xA9.example"), "", ""},
        Entry{"EmptyHostEmptiesTheSlot", "", "", ""},
        Entry{"PastedRecord", "198.18.6.2\r\n198.18.2.2, 56 bytes, 1ms, 2000.01.01 00:00:00", "",
              "The host \"198.18.6.2\\r\\n198.18.2.2, 56 bytes, 1...\" holds a line break"},
        Entry{"SeparatorInHost", "10.0.0.1;Office", "", "holds \";\""},
        Entry{"CommaInHost", "10.0.0.1,10.0.0.2", "", "holds \",\""},
        Entry{"TabInHost", "10.0.0.1\t", "", "holds a control character"},
        Entry{"SeparatorInDescription", "10.0.0.1", "Office; floor 2", "The description \"Office; floor 2\" holds \";\""},
        Entry{"LineBreakInDescription", "10.0.0.1", "Office\nfloor 2", "holds a line break"},
        Entry{"LineSeparatorInDescription", "10.0.0.1", QString::fromUtf8("Office\xE2\x80\xA8"), "holds a line break"},
        Entry{"NulInDescription", "10.0.0.1", QString("Office") + QChar(0), "holds a control character"},
        Entry{"HostOf255Characters", QString(255, 'h'), QString(1000, 'd'), ""},
        Entry{"HostOf256Characters", QString(256, 'h'), "", "The host \"hhhh"},
        Entry{"DescriptionOf1001Characters", "10.0.0.1", QString(1001, 'd'),
              "The description \"dddd"}),
    [](const auto& info) { return std::string(info.param.name); });

}
