// The number-to-text rule and the lenient number parsers on arbitrary doubles, precisions and
// texts: a written number reads back (exactly with 17 digits, within its precision otherwise),
// a parsed text never yields NaN, and an integer parse saturates instead of overflowing.
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/number_text.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarvos;

namespace {

// d.ddd, d.ddde+nnn or d.ddde-nnn with an optional sign: the only shapes a finite number takes.
bool WellFormed(const std::string& t) {
    std::size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    const std::size_t intStart = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == intStart || i >= t.size() || t[i] != '.') return false;
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == t.size()) return true;
    return t.size() - i == 5 && t[i] == 'e' && (t[i + 1] == '+' || t[i + 1] == '-') &&
           std::isdigit(static_cast<unsigned char>(t[i + 2])) && std::isdigit(static_cast<unsigned char>(t[i + 3])) &&
           std::isdigit(static_cast<unsigned char>(t[i + 4]));
}

void CheckFormatted(double value, int digits) {
    const std::string text = FormatNumber(value, digits);
    if (!std::isfinite(value)) return;
    FUZZ_CHECK(WellFormed(text));
    FUZZ_CHECK(ParseLeadingNumber(FormatNumber(value, 17)) == value);
    const double back = ParseLeadingNumber(text);
    const int kept = digits < 1 ? 1 : (digits > 17 ? 17 : digits);
    // Rounding to `kept` digits moves a value by at most half a unit of its last digit; the
    // largest doubles may round up past the range and read back as the largest double.
    const double tolerance = std::fabs(value) * std::pow(10.0, 1 - kept);
    FUZZ_CHECK(std::fabs(back - value) <= tolerance || std::fabs(back) == DBL_MAX);
    const std::string visible = FormatNumberVisibleDecimal(value, digits);
    FUZZ_CHECK(visible.back() != '.');
    const std::string fixed = FormatFixed(value, digits);
    FUZZ_CHECK(!fixed.empty() && fixed != "?");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const double value = in.Raw<double>();
    const int digits = static_cast<std::int8_t>(in.Byte());
    const std::int32_t whole = in.Raw<std::int32_t>();
    const std::string text = in.Rest();

    CheckFormatted(value, digits);
    FUZZ_CHECK(ParseLeadingInt(std::to_string(whole)) == whole);
    FUZZ_CHECK(!std::isnan(ParseLeadingNumber(text)));
    const int parsed = ParseLeadingInt(text);
    // Whatever the digits, the value is the text's leading integer or its saturation.
    FUZZ_CHECK(ParseLeadingInt(std::to_string(parsed)) == parsed);
    return 0;
}
