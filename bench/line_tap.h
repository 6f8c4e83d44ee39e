// A tap on a serial line, for measuring what crosses it: a pseudo-terminal of its own for the
// controlling program (its slave linked at a path the program's port names) joined to the
// instrument's device. Every byte is passed on at once and counted in each direction, and so are
// the command lines the program sends (one LF each).
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/result.h"

namespace tarvos::bench {

struct LineCounts {
    long long toInstrument = 0;    // bytes the program sent
    long long fromInstrument = 0;  // bytes the instrument answered
    long long commands = 0;        // lines the program sent
};

class LineTap {
public:
    // Opens the instrument's device with `baudRate`, 8 data bits, no parity, 1 stop bit (raw),
    // and a pseudo-terminal linked at `programLink`; then passes bytes until destroyed.
    static Result<std::unique_ptr<LineTap>> Open(const std::filesystem::path& programLink,
                                                  const std::filesystem::path& instrumentDevice, int baudRate);
    ~LineTap();
    LineTap(const LineTap&) = delete;
    LineTap& operator=(const LineTap&) = delete;

    LineCounts Counts() const;

private:
    LineTap(int master, int instrument, std::filesystem::path link);
    void Run();
    // False when the program's side is closed (no program holds the slave).
    bool PassFromProgram();
    void PassFromInstrument();

    int master_;
    int instrument_;
    std::filesystem::path link_;
    std::atomic<int> stop_{0};
    std::atomic<long long> toInstrument_{0};
    std::atomic<long long> fromInstrument_{0};
    std::atomic<long long> commands_{0};
    std::chrono::steady_clock::time_point programIdleUntil_{};
    std::thread thread_;
};

}  // namespace tarvos::bench
