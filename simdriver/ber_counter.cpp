#include "simdriver/ber_counter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tarvos::sim {
namespace {

constexpr double kFallbackBitRate = 1e6;
// Interval lengths are kept in whole nanoseconds; these bounds keep them positive and far from
// overflow for any bit rate (the slowest lasts about three years).
constexpr double kMinIntervalNs = 1.0;
constexpr double kMaxIntervalNs = 1e17;

// The displayed mantissa (one decimal) and decimal exponent of a positive value, both taken
// from the rounded text so that 9.96e-5 comes out as 1.0 and -4, as on the screen.
struct Shown {
    std::string mantissa;
    int exponent = 0;
};

Shown Display(double value) {
    std::array<char, 48> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 1);
    const std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t e = text.find('e');
    Shown shown;
    shown.mantissa = std::string(text.substr(0, e));
    std::string_view digits = text.substr(e + 1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::from_chars(digits.data(), digits.data() + digits.size(), shown.exponent);
    return shown;
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string TwoDigits(int magnitude) {
    std::string digits = std::to_string(magnitude);
    return digits.size() < 2 ? std::string(2 - digits.size(), '0') + digits : digits;
}

}  // namespace

void BerCounter::Restart(std::chrono::nanoseconds now, double bitRate, int intervals) {
    const double rate = (bitRate > 0 && std::isfinite(bitRate)) ? bitRate : kFallbackBitRate;
    const double ns = std::clamp(std::round(kBitsPerInterval / rate * 1e9), kMinIntervalNs, kMaxIntervalNs);
    start_ = now;
    interval_ = std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(ns));
    intervals_ = std::max(1, intervals);
    completed_ = 0;
    bits_ = 0;
    errors_ = 0;
}

void BerCounter::Advance(std::chrono::nanoseconds now, double ber) {
    if (interval_.count() <= 0 || now <= start_) return;
    // Whole intervals since the start, capped before the conversion to int can overflow.
    const auto elapsed = (now - start_) / interval_;
    const int due = static_cast<int>(std::min<decltype(elapsed)>(elapsed, intervals_));
    if (due <= completed_) return;
    const long long newIntervals = due - completed_;
    const double p = ber > 0 ? std::min(ber, 1.0) : 0.0;  // NaN counts as error free
    // The errors of independent intervals at one BER add up to a single binomial draw over all
    // their bits, so a long jump of the clock costs one draw rather than one per interval.
    const long long perInterval = std::llround(kBitsPerInterval);
    std::binomial_distribution<long long> errors(perInterval * newIntervals, p);
    errors_ += static_cast<double>(errors(random_));
    bits_ += kBitsPerInterval * static_cast<double>(newIntervals);
    completed_ = due;
}

double BerCounter::Ber() const { return bits_ > 0 ? errors_ / bits_ : 0.0; }

int BerCounter::Exponent() const {
    const double ber = Ber();
    if (ber > 0) return std::abs(Display(ber).exponent);
    // Without errors the count resolves the BER one error would have shown.
    if (bits_ >= 1) return std::abs(Display(1 / bits_).exponent);
    return 0;
}

std::u16string BerCounter::ResponseString() const {
    const double ber = Ber();
    const std::string mantissa = ber > 0 ? Display(ber).mantissa : "0.0";
    return Wide(mantissa + "E-" + TwoDigits(Exponent()) + " ") + Postfix();
}

std::u16string BerCounter::Postfix() const {
    return Wide("(" + std::to_string(completed_) + "/" + std::to_string(intervals_) + ")");
}

}  // namespace tarvos::sim
