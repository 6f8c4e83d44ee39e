// What the Advanced Settings dialog does with its two fields, without the widgets: how the BER
// field shows the threshold BER (mantissa and power of ten) and what the BER and grid fields
// make of the text they are left with.
#pragma once

#include <string>
#include <string_view>

namespace tarvos {

inline constexpr double kDefaultThresholdBer = 0.0002;
inline constexpr double kLowestThresholdBer = 1e-16;
inline constexpr double kHighestThresholdBer = 0.004;

inline constexpr int kDefaultGridSpacing = 60;
inline constexpr int kSmallestGridSpacing = 2;
inline constexpr int kLargestGridSpacing = 2000;

// The BER field's view of a threshold: threshold == mantissa / 10^exponent, the mantissa rounded
// to six decimals, so the threshold carries at most seven significant digits. The text is the
// mantissa with seven significant digits, "E-" and the exponent: "2.0E-4" for 0.0002. It reads
// back as exactly `threshold`.
struct BerFieldView {
    double threshold = kDefaultThresholdBer;
    double mantissa = 2.0;
    int exponent = 4;
    std::string text = "2.0E-4";
};

// The field's view of `threshold` (on opening, after an edit, after Default). A value the
// mantissa/exponent form cannot hold (zero, negative, not a number) is taken as the lowest
// threshold, infinity as the highest; one of 1 or more is its own mantissa with exponent 0
// ("5.0E-0").
BerFieldView ShowBerField(double threshold);

// The BER field left with `text`: its leading decimal or exponent number limited to
// kLowestThresholdBer .. kHighestThresholdBer (no number counts as below), then shown.
BerFieldView LeaveBerField(std::string_view text);

std::string GridFieldText(int spacing);

// The grid field left with `text`: its leading signed integer limited to
// kSmallestGridSpacing .. kLargestGridSpacing; 0 or no number keeps `previous`.
int LeaveGridField(std::string_view text, int previous);

}  // namespace tarvos
