#include "monitor/files/StrictInteger.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct IntegerCase {
    const char* name;
    QString text;
    std::optional<std::int32_t> value;
};

class StrictIntegerText : public testing::TestWithParam<IntegerCase> {};

TEST_P(StrictIntegerText, AcceptsOnlyPlainDecimalIn32Bits)
{
    EXPECT_EQ(StrictInteger::tryParse(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictIntegerText,
    testing::Values(IntegerCase{"Plain", "45", 45}, IntegerCase{"LeadingZero", "01", 1}, IntegerCase{"Zero", "0", 0},
                    IntegerCase{"Negative", "-5", -5}, IntegerCase{"Plus", "+7", 7},
                    IntegerCase{"Largest", "2147483647", 2147483647},
                    IntegerCase{"TooLarge", "2147483648", std::nullopt},
                    IntegerCase{"ThirtyDigits", "123456789012345678901234567890", std::nullopt},
                    IntegerCase{"Empty", "", std::nullopt}, IntegerCase{"Letters", "12a", std::nullopt},
                    IntegerCase{"Blank", " 12", std::nullopt}, IntegerCase{"SignOnly", "-", std::nullopt},
                    IntegerCase{"Hex", "0x10", std::nullopt}, IntegerCase{"Decimal", "1.5", std::nullopt},
                    IntegerCase{"ArabicDigits", QString::fromUtf8("\xD9\xA3"), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StrictInteger, ErrorNamesTheTextShortened)
{
    try {
        StrictInteger::parse(QString(100, 'x'));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + std::string(37, 'x') + "...' is not a valid integer value");
    }
}

}
