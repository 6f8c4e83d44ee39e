#include "app/advanced_rules.h"

#include <algorithm>
#include <cmath>

#include "platform/number_text.h"

namespace tarvos {
namespace {

constexpr int kMantissaDigits = 7;          // one before the point, six after
constexpr double kMantissaScale = 1000000;  // 10^6: the six decimals
constexpr double kLargestRoundedMantissa = 1e9;

}  // namespace

BerFieldView ShowBerField(double threshold) {
    // Zero, negative and not-a-number thresholds have no mantissa and power of ten; an
    // infinite one has no text that reads back. Thresholds of 1 and more are shown as they are
    // (mantissa the value itself, exponent 0): limiting them would change the document's value
    // behind the user's back.
    double x = threshold;
    if (!(x > 0.0))
        x = kLowestThresholdBer;
    else if (std::isinf(x))
        x = kHighestThresholdBer;

    // x is finite and positive, so this ends after at most 324 steps (the smallest subnormal);
    // within the field's limits after at most 17.
    int n = 0;
    while (x < 1.0) {
        x *= 10.0;
        ++n;
    }
    // Dividing by the exact 10^6 (rather than multiplying by an inexact 10^-6) keeps the
    // mantissa the double nearest its six-decimal value. From 10^9 on a double has no sixth
    // decimal left to round, and the product could overflow.
    double m = x < kLargestRoundedMantissa ? std::floor(x * kMantissaScale + 0.5) / kMantissaScale : x;
    // Rounding may carry 9.9999996 up to 10; shown as 1 one decade higher, the same value.
    // Only a mantissa the loop scaled up can carry so.
    if (n > 0 && m >= 10.0) {
        m = 1.0;
        --n;
    }

    BerFieldView view;
    view.mantissa = m;
    view.exponent = n;
    // A whole mantissa keeps one decimal (2.0E-4 rather than a bare 2.E-4).
    std::string mantissa = FormatNumber(m, kMantissaDigits);
    if (!mantissa.empty() && mantissa.back() == '.') mantissa += '0';
    view.text = mantissa + "E-" + std::to_string(n);
    // The value handed back is the one the field shows, to the last bit: the correctly rounded
    // reading of its text.
    view.threshold = ParseLeadingNumber(view.text);
    return view;
}

BerFieldView LeaveBerField(std::string_view text) {
    double ber = ParseLeadingNumber(text);
    if (!(ber >= kLowestThresholdBer))
        ber = kLowestThresholdBer;
    else if (ber > kHighestThresholdBer)
        ber = kHighestThresholdBer;
    return ShowBerField(ber);
}

std::string GridFieldText(int spacing) { return std::to_string(spacing); }

int LeaveGridField(std::string_view text, int previous) {
    const int spacing = ParseLeadingInt(text);
    if (spacing == 0) return previous;
    return std::clamp(spacing, kSmallestGridSpacing, kLargestGridSpacing);
}

}  // namespace tarvos
