#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace tarvos {
namespace {

struct FormatCase {
    double value;
    int digits;
    const char* text;
};

class FormatNumberTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTest, WritesTheAgreedText) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.digits), c.text) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatNumberTest,
    ::testing::Values(FormatCase{100.0, 10, "100."}, FormatCase{2.0e-4, 10, "2.e-004"},
                      FormatCase{1e-5, 10, "1.e-005"}, FormatCase{12345678900.0, 10, "1.23456789e+010"},
                      FormatCase{1234567890.0, 10, "1234567890."}, FormatCase{0.5, 10, "0.5"},
                      FormatCase{0.123456789012, 10, "0.123456789"}, FormatCase{0.05, 10, "5.e-002"},
                      FormatCase{6.9, 10, "6.9"}, FormatCase{-3.25, 10, "-3.25"}, FormatCase{0.0, 10, "0."},
                      FormatCase{35.0, 10, "35."}, FormatCase{1e100, 10, "1.e+100"},
                      FormatCase{1.5e-300, 10, "1.5e-300"}, FormatCase{-2.5e-7, 10, "-2.5e-007"},
                      FormatCase{12.34, 3, "12.3"}, FormatCase{0.000023, 2, "2.3e-005"},
                      FormatCase{1234.0, 3, "1.23e+003"}));

INSTANTIATE_TEST_SUITE_P(
    RoundingMovesTheExponent, FormatNumberTest,
    ::testing::Values(FormatCase{9999999999.5, 10, "1.e+010"}, FormatCase{9.9999999999e9, 10, "1.e+010"},
                      FormatCase{0.099999999999, 10, "0.1"}, FormatCase{-0.099999999999, 10, "-0.1"},
                      FormatCase{9.96, 2, "10."}, FormatCase{99.6, 2, "1.e+002"}));

TEST(FormatNumber, NonFiniteExtremeAndClampedInputs) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatNumber(-0.0), "0.");
    EXPECT_EQ(FormatNumber(kInf), "inf");
    EXPECT_EQ(FormatNumber(-kInf), "-inf");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max()), "1.797693135e+308");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::denorm_min()), "4.940656458e-324");
    EXPECT_EQ(FormatNumber(123.456, -5), "1.e+002");  // digit count clamped to 1 .. 17
    EXPECT_EQ(FormatNumber(0.1, 100), "0.10000000000000001");
}

TEST(FormatNumberVisibleDecimal, AddsZeroOnlyAfterABarePoint) {
    EXPECT_EQ(FormatNumberVisibleDecimal(12.0), "12.0");
    EXPECT_EQ(FormatNumberVisibleDecimal(0.0), "0.0");
    EXPECT_EQ(FormatNumberVisibleDecimal(2.0e-4), "2.e-004");
    EXPECT_EQ(FormatNumberVisibleDecimal(6.9), "6.9");
    EXPECT_EQ(FormatNumberVisibleDecimal(std::numeric_limits<double>::infinity()), "inf");
}

TEST(ParseLeadingNumber, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("2.e-004"), 2e-4);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e-5"), 1e-5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("  -12.5abc"), -12.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("\t+3E2 V"), 300.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("1.23456789e+010"), 12345678900.0);
}

TEST(ParseLeadingNumber, AnIncompleteExponentIsNotPartOfTheNumber) {
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("2e"), 2.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("2e+"), 2.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("2.5E-x"), 2.5);
}

TEST(ParseLeadingNumber, NoNumberGivesZero) {
    for (const char* text : {"", "abc", "e5", ".", "-", "+.", " .e3", "inf", "nan", "0x10"}) {
        EXPECT_EQ(ParseLeadingNumber(text), 0.0) << '"' << text << '"';
    }
}

TEST(ParseLeadingNumber, OutOfRangeSaturates) {
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(ParseLeadingNumber("1e99999"), max);
    EXPECT_EQ(ParseLeadingNumber("-1e99999"), -max);
    EXPECT_EQ(ParseLeadingNumber("1e999999999999999999999999"), max);
    EXPECT_EQ(ParseLeadingNumber("0.0001e-99999"), 0.0);
    EXPECT_EQ(ParseLeadingNumber("0e99999"), 0.0);
    EXPECT_EQ(ParseLeadingNumber("0.00000000001e315"), 1e304);
}

TEST(ParseLeadingNumber, LongDigitStrings) {
    EXPECT_EQ(ParseLeadingNumber(std::string(100000, '1')), std::numeric_limits<double>::max());
    EXPECT_EQ(ParseLeadingNumber("0." + std::string(100000, '0') + "1"), 0.0);
    const double value = ParseLeadingNumber("1" + std::string(300, '0') + ".25xyz");
    EXPECT_DOUBLE_EQ(value, 1e300);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("0." + std::string(300, '0') + "1e305"), 1e4);
}

double RoundedToTenDigits(double value) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 9);
    double rounded = 0.0;
    std::from_chars(buffer, written.ptr, rounded);
    return rounded;
}

// What is written must read back as the value rounded to the written digits.
TEST(ParseLeadingNumber, ReadsBackWhatFormatNumberWrites) {
    int checked = 0;
    for (double value = 1.234567890123e-320; std::isfinite(value); value *= -7.77) {
        const std::string text = FormatNumber(value);
        const double expected = RoundedToTenDigits(value);
        EXPECT_EQ(ParseLeadingNumber(text), expected) << text;
        EXPECT_NEAR(ParseLeadingNumber(text), value, std::fabs(value) * 5e-10) << text;
        ++checked;
    }
    EXPECT_GT(checked, 600);
}

TEST(ParseLeadingInt, ReadsTheLeadingInteger) {
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("-"), 0);
    EXPECT_EQ(ParseLeadingInt("12abc"), 12);
    EXPECT_EQ(ParseLeadingInt(" -7"), -7);
    EXPECT_EQ(ParseLeadingInt("\t+42"), 42);
    EXPECT_EQ(ParseLeadingInt("3.9"), 3);
    EXPECT_EQ(ParseLeadingInt("- 5"), 0);
}

TEST(ParseLeadingInt, SaturatesToTheIntRange) {
    EXPECT_EQ(ParseLeadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt(std::string(100000, '9')), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-" + std::string(100000, '9')), INT_MIN);
}

}  // namespace
}  // namespace tarvos
