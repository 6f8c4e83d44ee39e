// The BER figures read from the drivers' texts, and the picture encoding.
#include "kvrlib/ber_text.h"

#include <gtest/gtest.h>

#include "kvrlib/pcx_encoding.h"

namespace tarvos::kvrlib {
namespace {

TEST(ParseScaledCount, ScaleLettersAndTheirFractionDigits) {
    const std::pair<const char16_t*, std::int32_t> counts[] = {
        {u"1K23", 1230}, {u"12K3", 12300}, {u"123K", 123000}, {u"4M70", 4700000}, {u"250", 250},
        {u"2G05", 2050000000}, {u" 7 ", 7}, {u"1K5", 1050}};  // two fraction digits assumed after a leading letter
    for (const auto& [text, value] : counts) EXPECT_EQ(ParseScaledCount(text), value) << value;
    // No digits after the letter, no number, or a whole part beyond 32 bits: no value.
    for (const char16_t* bad : {u"1234K", u"", u"K", u"abc", u"3G0", u"12.5.1", u"99999999999"})
        EXPECT_FALSE(ParseScaledCount(bad).has_value());
}

TEST(BerText, ExponentAndCountsFromTheResponseTexts) {
    EXPECT_EQ(BerExponentOf(u"2.0E-04 (3/15000)"), 4);
    EXPECT_EQ(BerExponentOf(u"9.9E-10(1K2/9M99)"), 10);
    EXPECT_FALSE(BerExponentOf(u"2.0E-04").has_value());  // no "("
    EXPECT_FALSE(BerExponentOf(u"(3/15000)").has_value());
    EXPECT_EQ(BerCountOf(u" (3/15000) ", false), 3);
    EXPECT_EQ(BerCountOf(u" (3/15000) ", true), 15000);
    EXPECT_EQ(BerCountOf(u"(1K23/4M70)", false), 1230);
    EXPECT_EQ(BerCountOf(u"(1K23/4M70)", true), 4700000);
    EXPECT_FALSE(BerCountOf(u"(3)", true).has_value());
    EXPECT_FALSE(BerCountOf(u"", false).has_value());
}

TEST(PcxEncoding, EscapesAAndNulAndMapsTheCodePage) {
    EXPECT_EQ(EncodePcxBytes({0x41, 0x00, 0x42}), u"AAABB");
    EXPECT_EQ(EncodePcxBytes({0x0A, 0x80, 0x9F, 0xE9, 0xFF}), u"\u000A\u20AC\u0178\u00E9\u00FF");
    // Pictures of any size are encoded whole.
    automation::ByteArray big(100000, 0x42);
    big[99999] = 0x41;
    const std::u16string text = EncodePcxBytes(big);
    ASSERT_EQ(text.size(), 100001u);
    EXPECT_EQ(text.substr(99999), u"AA");
}

}  // namespace
}  // namespace tarvos::kvrlib
