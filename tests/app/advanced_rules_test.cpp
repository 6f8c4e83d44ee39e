// The Advanced Settings dialog's BER and grid field rules.
#include "app/advanced_rules.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace tarvos {
namespace {

TEST(AdvancedRules, DefaultThresholdShowsMantissaTwoExponentFour) {
    const BerFieldView view = ShowBerField(kDefaultThresholdBer);
    EXPECT_EQ(view.mantissa, 2.0);
    EXPECT_EQ(view.exponent, 4);
    EXPECT_EQ(view.text, "2.0E-4");
    EXPECT_EQ(view.threshold, 0.0002);
}

TEST(AdvancedRules, BerFieldLimitsTheThreshold) {
    const BerFieldView low = LeaveBerField("1e-20");
    EXPECT_EQ(low.threshold, 1e-16);
    EXPECT_EQ(low.text, "1.0E-16");

    const BerFieldView high = LeaveBerField("0.01");
    EXPECT_EQ(high.threshold, 0.004);
    EXPECT_EQ(high.mantissa, 4.0);
    EXPECT_EQ(high.exponent, 3);
    EXPECT_EQ(high.text, "4.0E-3");

    // The limits themselves pass unchanged.
    EXPECT_EQ(LeaveBerField("1E-16").threshold, 1e-16);
    EXPECT_EQ(LeaveBerField("0.004").threshold, 0.004);
    // Exponents far outside the range of a double.
    EXPECT_EQ(LeaveBerField("1e999").threshold, 0.004);
    EXPECT_EQ(LeaveBerField("1e-999").threshold, 1e-16);
}

TEST(AdvancedRules, BerFieldWithoutAPositiveNumberTakesTheLowestThreshold) {
    for (const char* text : {"", "abc", "0", "-0.0002", "nan", "inf", "-inf", ".", "E-4", "  -"}) {
        const BerFieldView view = LeaveBerField(text);
        EXPECT_EQ(view.threshold, 1e-16) << text;
        EXPECT_EQ(view.text, "1.0E-16") << text;
    }
}

TEST(AdvancedRules, BerFieldKeepsSevenSignificantDigits) {
    const BerFieldView view = LeaveBerField("0.000123456789");
    EXPECT_EQ(view.text, "1.234568E-4");
    EXPECT_EQ(view.exponent, 4);
    EXPECT_EQ(view.threshold, 0.0001234568);
    // Its own text, with spaces before and trailing rubbish, reads back the same.
    EXPECT_EQ(LeaveBerField("  1.234568E-4xyz").threshold, 0.0001234568);
    EXPECT_EQ(LeaveBerField("3.5e-7").text, "3.5E-7");
}

TEST(AdvancedRules, MantissaRoundedUpToTenMovesOneDecade) {
    const BerFieldView carried = LeaveBerField("9.9999996e-5");
    EXPECT_EQ(carried.mantissa, 1.0);
    EXPECT_EQ(carried.exponent, 4);
    EXPECT_EQ(carried.text, "1.0E-4");
    EXPECT_EQ(carried.threshold, 1e-4);

    const BerFieldView kept = LeaveBerField("9.9999994e-5");
    EXPECT_EQ(kept.text, "9.999999E-5");
    EXPECT_EQ(kept.threshold, 9.999999e-5);
}

TEST(AdvancedRules, EveryDecadeOfTheRangeShowsAsOne) {
    // The normalising multiplications miss the exact powers of ten by an ulp or so either way.
    for (int n = 3; n <= 16; ++n) {
        const double power = std::stod("1e-" + std::to_string(n));
        const BerFieldView view = ShowBerField(power);
        EXPECT_EQ(view.text, "1.0E-" + std::to_string(n));
        EXPECT_EQ(view.mantissa, 1.0) << n;
        EXPECT_EQ(view.threshold, power) << n;
    }
}

TEST(AdvancedRules, ShownTextReadsBackAsTheSameThreshold) {
    for (double ber : {0.0002, 0.004, 1e-16, 3.3333333e-9, 0.00099999999, 7.0000004e-12, 5.5e-6, 1.0000004e-10}) {
        const BerFieldView shown = ShowBerField(ber);
        const BerFieldView again = LeaveBerField(shown.text);
        EXPECT_EQ(again.threshold, shown.threshold) << shown.text;
        EXPECT_EQ(again.text, shown.text);
        EXPECT_GE(shown.mantissa, 1.0) << shown.text;
        EXPECT_LT(shown.mantissa, 10.0) << shown.text;
        EXPECT_LE(std::fabs(shown.threshold - ber), ber * 5e-7) << shown.text;
    }
}

TEST(AdvancedRules, ThresholdsTheFieldCannotShowAreLimited) {
    // Such values can only come from a hand-edited settings file.
    EXPECT_EQ(ShowBerField(0.0).threshold, 1e-16);
    EXPECT_EQ(ShowBerField(-0.0002).threshold, 1e-16);
    EXPECT_EQ(ShowBerField(std::numeric_limits<double>::quiet_NaN()).threshold, 1e-16);
    EXPECT_EQ(ShowBerField(-std::numeric_limits<double>::infinity()).threshold, 1e-16);
    EXPECT_EQ(ShowBerField(std::numeric_limits<double>::infinity()).threshold, 0.004);
    // Below 1 they are shown as they are, however small.
    EXPECT_EQ(ShowBerField(0.01).text, "1.0E-2");
    EXPECT_EQ(ShowBerField(1e-20).threshold, 1e-20);
    const BerFieldView tiny = ShowBerField(std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(tiny.exponent, 324);
    EXPECT_GT(tiny.threshold, 0.0);
}

TEST(AdvancedRules, ThresholdsOfOneAndAboveKeepTheirValueWithExponentZero) {
    // The normalising loop does not run for them: the mantissa is the value itself.
    struct Case {
        double threshold;
        const char* text;
        double shown;
    };
    for (const Case& c : {Case{1.0, "1.0E-0", 1.0}, Case{5.0, "5.0E-0", 5.0}, Case{12.5, "12.5E-0", 12.5},
                          Case{9.9999999, "10.0E-0", 10.0}, Case{1234567.8, "1234568.0E-0", 1234568.0},
                          Case{1e300, "1.e+300E-0", 1e300}}) {
        const BerFieldView view = ShowBerField(c.threshold);
        EXPECT_EQ(view.text, c.text) << c.threshold;
        EXPECT_EQ(view.exponent, 0) << c.threshold;
        EXPECT_EQ(view.threshold, c.shown) << c.threshold;
    }
}

TEST(AdvancedRules, GridFieldLimitsOrKeepsTheSpacing) {
    EXPECT_EQ(GridFieldText(60), "60");
    EXPECT_EQ(GridFieldText(-5), "-5");
    EXPECT_EQ(LeaveGridField("1", 60), 2);
    EXPECT_EQ(LeaveGridField("5000", 60), 2000);
    EXPECT_EQ(LeaveGridField("-7", 60), 2);
    EXPECT_EQ(LeaveGridField("99999999999999", 60), 2000);
    EXPECT_EQ(LeaveGridField(" +120px", 60), 120);
    EXPECT_EQ(LeaveGridField("2", 60), 2);
    EXPECT_EQ(LeaveGridField("2000", 60), 2000);
    for (const char* text : {"0", "abc", "", "-0", "  "}) EXPECT_EQ(LeaveGridField(text, 77), 77) << text;
}

}  // namespace
}  // namespace tarvos
