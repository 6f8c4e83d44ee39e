#include "platform/clock.h"

#include <cmath>
#include <thread>

namespace tarvos {

Clock& Clock::Instance() {
    static Clock clock;
    return clock;
}

Clock::Clock() : realStart_(std::chrono::steady_clock::now()) {}

void Clock::SetRealTime(double scale) {
    std::lock_guard<std::mutex> lock(mutex_);
    scale_ = (std::isfinite(scale) && scale >= 0) ? scale : 1.0;
    virtual_ = false;
}

void Clock::SetVirtual() {
    std::lock_guard<std::mutex> lock(mutex_);
    virtual_ = true;
}

double Clock::Scale() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return virtual_ ? 0.0 : scale_;
}

Clock::Duration Clock::Now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (virtual_) return offset_;
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - realStart_) + offset_;
}

void Clock::SleepFor(Duration d) {
    if (d <= Duration::zero()) return;
    double scale = 1.0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (virtual_) {
            offset_ += d;
            return;
        }
        scale = scale_;
        // Clock time runs at 1/scale of real time during the wait: credit the difference.
        offset_ += std::chrono::duration_cast<Duration>(d * (1.0 - scale));
    }
    if (scale > 0) std::this_thread::sleep_for(std::chrono::duration_cast<Duration>(d * scale));
}

void Clock::Advance(Duration d) {
    if (d <= Duration::zero()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    offset_ += d;
}

}  // namespace tarvos
