// The one process-wide clock behind every wait of the program, the library and the simulated
// instrument: real time by default, real time scaled for demonstrations (0 makes every wait
// instant), or a virtual clock for tests where a sleep advances time at once.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>

namespace tarvos {

class Clock {
public:
    using Duration = std::chrono::nanoseconds;

    static Clock& Instance();

    // Waits take `scale` times their length in real time (1 = real time, 0 = instant).
    void SetRealTime(double scale = 1.0);
    // Waits take no real time and advance the clock by their length.
    void SetVirtual();
    bool IsVirtual() const { return virtual_.load(); }
    double Scale() const;

    // Time since the clock started, in clock time (scaled waits count at their full length).
    Duration Now() const;
    // Blocks for `d` of clock time.
    void SleepFor(Duration d);
    // Moves clock time on by `d` at once, without waiting: an instrument whose clock follows the
    // waits of the program that controls it.
    void Advance(Duration d);

private:
    Clock();
    mutable std::mutex mutex_;
    std::atomic<bool> virtual_{false};
    double scale_ = 1.0;
    std::chrono::steady_clock::time_point realStart_;
    Duration offset_{0};  // clock time gained by scaled or virtual waits beyond real time
};

}  // namespace tarvos
