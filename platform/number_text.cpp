#include "platform/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace tarvos {
namespace {

constexpr int kMinDigits = 1;
constexpr int kMaxDigits = 17;  // enough to write every double exactly

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    return pos;
}

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    return pos;
}

// The significant digits and the decimal exponent of |value| after rounding to `digits`
// digits. Taking the exponent from the rounded text is what makes 9.9999999999e9 come out
// as 1.e+010 rather than as an eleven-digit fixed number.
struct Decomposed {
    std::string digits;
    int exponent = 0;
};

Decomposed Decompose(double magnitude, int digits) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific, digits - 1);
    const std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t ePos = text.find('e');
    Decomposed out;
    for (char c : text.substr(0, ePos)) {
        if (IsDigit(c)) out.digits.push_back(c);
    }
    const std::string_view expText = text.substr(ePos + 1);
    const std::size_t expStart = (expText.front() == '+') ? 1 : 0;
    std::from_chars(expText.data() + expStart, expText.data() + expText.size(), out.exponent);
    return out;
}

std::string WithoutTrailingZeros(std::string fraction) {
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction;
}

std::string FixedText(const Decomposed& d) {
    if (d.exponent < 0) return "0." + WithoutTrailingZeros(std::string(-d.exponent - 1, '0') + d.digits);
    const auto intDigits = static_cast<std::size_t>(d.exponent) + 1;
    return d.digits.substr(0, intDigits) + "." + WithoutTrailingZeros(d.digits.substr(intDigits));
}

std::string ExponentText(const Decomposed& d) {
    std::string out = d.digits.substr(0, 1) + "." + WithoutTrailingZeros(d.digits.substr(1));
    out += (d.exponent < 0) ? "e-" : "e+";
    const std::string magnitude = std::to_string(std::abs(d.exponent));
    if (magnitude.size() < 3) out.append(3 - magnitude.size(), '0');
    return out + magnitude;
}

// Decimal exponent of the first significant digit of a digit string with an optional point,
// e.g. 2 for "123.4" and -3 for "0.0012"; only used to tell overflow from underflow.
long long LeadingDigitExponent(std::string_view mantissa) {
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;
    if (first < point) return static_cast<long long>(point - first) - 1;
    return -static_cast<long long>(first - point);
}

// The exponent digits, saturated far beyond any double's range so that long exponent texts
// cannot overflow.
long long SaturatedExponent(std::string_view text) {
    constexpr long long kLimit = 1'000'000'000;
    bool negative = false;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        value = std::min(kLimit, value * 10 + (text[pos] - '0'));
    }
    return negative ? -value : value;
}

// Length of the exponent part ("e-004") at `pos`, or 0 when the "e" is not followed by digits.
std::size_t ExponentLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || (text[pos] != 'e' && text[pos] != 'E')) return 0;
    std::size_t p = pos + 1;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    const std::size_t end = SkipDigits(text, p);
    return end > p ? end - pos : 0;
}

double OutOfRangeValue(std::string_view mantissa, std::string_view exponent, bool negative) {
    const long long magnitude = LeadingDigitExponent(mantissa) + SaturatedExponent(exponent);
    const double value = magnitude > 0 ? std::numeric_limits<double>::max() : 0.0;
    return negative ? -value : value;
}

}  // namespace

std::string FormatNumber(double value, int significantDigits) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == 0.0) return "0.";  // negative zero included: "-0." would only puzzle readers
    const int digits = std::clamp(significantDigits, kMinDigits, kMaxDigits);
    const Decomposed d = Decompose(std::fabs(value), digits);
    const bool fixed = d.exponent >= -1 && d.exponent <= digits - 1;
    const std::string body = fixed ? FixedText(d) : ExponentText(d);
    return value < 0 ? "-" + body : body;
}

std::string FormatNumberVisibleDecimal(double value, int significantDigits) {
    std::string text = FormatNumber(value, significantDigits);
    if (!text.empty() && text.back() == '.') text.push_back('0');
    return text;
}

double ParseLeadingNumber(std::string_view text) {
    std::size_t pos = SkipSpace(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::size_t mantissaStart = pos;
    const std::size_t intEnd = SkipDigits(text, pos);
    std::size_t end = intEnd;
    if (end < text.size() && text[end] == '.') end = SkipDigits(text, end + 1);
    const std::string_view mantissa = text.substr(mantissaStart, end - mantissaStart);
    if (mantissa.empty() || mantissa == ".") return 0.0;
    const std::size_t expLength = ExponentLength(text, end);
    const std::string_view exponent = expLength > 0 ? text.substr(end + 1, expLength - 1) : "";
    const std::string_view number = text.substr(mantissaStart, mantissa.size() + expLength);

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) return OutOfRangeValue(mantissa, exponent, negative);
    if (result.ec != std::errc()) return 0.0;
    return negative ? -value : value;
}

int ParseLeadingInt(std::string_view text) {
    std::size_t pos = SkipSpace(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    // One past INT_MAX in magnitude is enough to saturate either way; stopping the growth
    // there keeps arbitrarily long digit strings from overflowing.
    constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        magnitude = std::min(kCap, magnitude * 10 + (text[pos] - '0'));
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) return value != value ? "nan" : (value > 0 ? "inf" : "-inf");
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed,
                                      std::clamp(decimals, 0, 17));
    if (result.ec != std::errc()) return "?";
    return std::string(buffer.data(), result.ptr);
}

}  // namespace tarvos
