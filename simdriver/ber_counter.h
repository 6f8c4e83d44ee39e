// The receiver's BER counter: it counts bits in intervals of 9 999 264 bits at the transport
// bit rate, draws each interval's errors from the binomial distribution, rises with time to its
// maximum count and holds the final BER there until it is restarted.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace tarvos::sim {

inline constexpr double kBitsPerInterval = 9999264.0;

class BerCounter {
public:
    explicit BerCounter(std::uint64_t seed) : random_(seed) {}

    // Starts a new count at clock time `now`, for `intervals` intervals at `bitRate`.
    void Restart(std::chrono::nanoseconds now, double bitRate, int intervals);
    // Completes the intervals that have ended by `now`, each with errors drawn at `ber`.
    void Advance(std::chrono::nanoseconds now, double ber);

    int Counter() const { return completed_; }
    int CounterMax() const { return intervals_; }
    double Bits() const { return bits_; }
    double Errors() const { return errors_; }
    // Errors over counted bits; 0 before the first interval.
    double Ber() const;
    // The magnitude of the decimal exponent of the BER as displayed (2.3e-5 gives 5); for a
    // count without errors, the exponent the counted bits resolve (1e8 bits give 8).
    int Exponent() const;
    // "2.3E-05 (3/10)": mantissa and exponent, then the counter and its maximum.
    std::u16string ResponseString() const;
    // "(3/10)": the counter and its maximum.
    std::u16string Postfix() const;

private:
    std::mt19937_64 random_;
    std::chrono::nanoseconds start_{0};
    std::chrono::nanoseconds interval_{0};
    int intervals_ = 0;
    int completed_ = 0;
    double bits_ = 0;
    double errors_ = 0;
};

}  // namespace tarvos::sim
