#include "WindowFixture.h"

#include <QRect>
#include <QSettings>
#include <QVariant>

#include <ostream>

namespace {

struct HostileValue {
    const char* test;
    const char* name;
    QVariant value;
    // A text every message must hold; empty when no message is due.
    QString told;
    bool startupCompletes;
    // What the store holds for the name afterwards.
    QString storedAfter;

    friend void PrintTo(const HostileValue& c, std::ostream* out) { *out << c.test; }
};

const QMap<QString, QString> UsersValues{
    {"interval", "7"},    {"payload", "100"},   {"graphnumber", "6"}, {"showlast", "yes"},
    {"showdesc", "yes"},  {"showaverage", "no"}, {"showlabel", "yes"}, {"writelog", "no"},
    {"thresh1", "31"},    {"thresh2", "32"},    {"thresh3", "33"},    {"thresh4", "34"},
    {"thresh5", "35"},    {"thresh6", "36"},    {"thresh7", "37"},    {"thresh8", "38"},
    {"thresh9", "39"},    {"thresh10", "40"}};

const QString ThirtyDigits = "123456789012345678901234567890";

// Every value of a user's settings file is set; one of them is broken in
// one way. The window starts, or refuses with a message naming what is
// wrong, and no other value of the user's is lost.
class HostileSetting : public WindowFixture, public testing::WithParamInterface<HostileValue> {};

TEST_P(HostileSetting, IsToldClearlyAndLosesNoOtherValue)
{
    const HostileValue& c = GetParam();
    {
        QSettings settings("Halvetor", "Quorvane");
        for (auto it = UsersValues.begin(); it != UsersValues.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.setValue(c.name, c.value);
    }
    // No thresholds in the host list, so that the stored ones stay.
    writeFile("hosts.txt", "10.0.0.1;Office\n");
    start();

    if (c.told.isEmpty()) {
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    } else {
        ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join('\n').toStdString();
        EXPECT_TRUE(dialogs.errors[0].contains(c.told)) << dialogs.errors[0].toStdString();
    }
    EXPECT_EQ(form->startupCompleted(), c.startupCompletes);
    EXPECT_EQ(host(1), c.startupCompletes ? "10.0.0.1" : "");

    const auto stored = storedSettings();
    for (auto it = UsersValues.begin(); it != UsersValues.end(); ++it) {
        if (it.key() != c.name) {
            EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    if (c.value.typeId() == QMetaType::QString) {
        EXPECT_EQ(stored.value(c.name), c.storedAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, HostileSetting,
    testing::Values(
        HostileValue{"EmptyInterval", "interval", "", "'' is not a valid integer value", false, ""},
        HostileValue{"HugeInterval", "interval", ThirtyDigits, "'" + ThirtyDigits + "' is not a valid integer value", false,
                     ThirtyDigits},
        HostileValue{"NegativeInterval", "interval", "-5", "", true, "1"},
        HostileValue{"LargestInterval", "interval", "2147483647", "", true, "2147483647"},
        HostileValue{"SignedInterval", "interval", "+7", "", true, "7"},
        HostileValue{"BlankInInterval", "interval", " 7", "' 7' is not a valid integer value", false, " 7"},
        HostileValue{"IntervalInOtherDigits", "interval", QString::fromUtf8("\xd9\xa3"),
                     QString::fromUtf8("'\xd9\xa3' is not a valid integer value"), false,
                     QString::fromUtf8("\xd9\xa3")},
        HostileValue{"IntervalAsList", "interval", QStringList{"1", "2"}, "\"interval\"", false, ""},
        HostileValue{"EmptyPayload", "payload", "", "'' is not a valid integer value", false, ""},
        HostileValue{"LettersInPayload", "payload", "32 bytes", "'32 bytes' is not a valid integer value", false,
                     "32 bytes"},
        HostileValue{"NegativePayload", "payload", "-5", "", true, "-5"},
        HostileValue{"HugePayload", "payload", ThirtyDigits, "'" + ThirtyDigits + "' is not a valid integer value", false,
                     ThirtyDigits},
        HostileValue{"PayloadAsBytes", "payload", QByteArray("32"), "\"payload\"", false, ""},
        HostileValue{"EmptyLayout", "graphnumber", "", "", true, ""},
        HostileValue{"NegativeLayout", "graphnumber", "-6", "", true, "-6"},
        HostileValue{"LayoutAsRectangle", "graphnumber", QRect(1, 2, 3, 4), "\"graphnumber\"", false, ""},
        HostileValue{"EmptySwitch", "showdesc", "", "", true, ""},
        HostileValue{"NumericSwitch", "showlabel", "1", "", true, "1"},
        HostileValue{"SwitchAsList", "writelog", QStringList{"yes", "no"}, "\"writelog\"", false, ""},
        HostileValue{"EmptyThreshold", "thresh3", "", "", true, ""},
        HostileValue{"NegativeThreshold", "thresh4", "-50", "", true, "-50"},
        HostileValue{"HugeThreshold", "thresh5", ThirtyDigits, "", true, ThirtyDigits},
        HostileValue{"LettersInThreshold", "thresh6", "fifty", "", true, "fifty"},
        HostileValue{"ThresholdAsBytes", "thresh10", QByteArray("\x01\xff", 2), "\"thresh10\"", false, ""},
        HostileValue{"NotifyAfterZero", "notifyafter", "0", "\"notifyafter\" in ", true, "0"},
        HostileValue{"NotifyAfterInWords", "notifyafter", "three", "'three' is not a valid integer value; 3 is used",
                     true, "three"},
        HostileValue{"NotifyAfterAsList", "notifyafter", QStringList{"1", "2"}, "\"notifyafter\"", false, ""}),
    [](const auto& info) { return std::string(info.param.test); });

}
