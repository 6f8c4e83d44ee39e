// The one number-to-text rule of the program (settings file, text export, dialogs, the run's
// response line) and the lenient parsers that read such texts back.
#pragma once

#include <string>
#include <string_view>

namespace tarvos {

// `value` with `significantDigits` significant digits: fixed notation when the decimal exponent
// (after rounding) lies in -1 .. significantDigits-1, else d.ddde+nnn with a sign and three
// exponent digits; trailing zeros of the fraction dropped, the decimal point kept.
// Examples: 100. / 2.e-004 / 1.23456789e+010 / 0.5 / -3.25 / 0.
std::string FormatNumber(double value, int significantDigits = 10);

// FormatNumber with a visible decimal: "0" appended when the text ends in the point (12.0).
std::string FormatNumberVisibleDecimal(double value, int significantDigits = 10);

// `value` in fixed notation with exactly `decimals` digits after the point (0 to 17), whatever
// the process locale ("12.50" for 12.5 with two decimals, "-3" with none).
std::string FormatFixed(double value, int decimals);

// The leading decimal or exponent number of `text` (leading white space skipped, optional
// sign, digits with an optional point, optional exponent); 0 when the text starts with none.
double ParseLeadingNumber(std::string_view text);

// The leading decimal integer of `text` (leading white space skipped, optional sign);
// 0 when there is none; saturated to the 32-bit range.
int ParseLeadingInt(std::string_view text);

}  // namespace tarvos
