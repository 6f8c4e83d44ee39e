#include "simdriver/service_objects.h"

#include <chrono>
#include <cmath>
#include <sstream>

#include "platform/automation/variant.h"
#include "platform/clock.h"

namespace tarvos::sim {

using automation::Utf16ToUtf8;
using automation::Utf8ToUtf16;

namespace {

// Waits are slept in slices so that Pause and Abort act on a wait in progress.
constexpr std::chrono::milliseconds kSlice{100};
// A log file is closed and the next one begun after this many lines.
constexpr long kLinesPerFile = 100000;

}  // namespace

HResult SimOperationControl::Resume() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
    changed_.notify_all();
    return HResult::Ok;
}

HResult SimOperationControl::Pause() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = true;
    pausedBy_ = std::this_thread::get_id();
    return HResult::Ok;
}

HResult SimOperationControl::Abort() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = true;
    paused_ = false;
    changed_.notify_all();
    return HResult::Ok;
}

HResult SimOperationControl::Arm() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = false;
    paused_ = false;
    changed_.notify_all();
    return HResult::Ok;
}

void SimOperationControl::NewDriverObject() {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
    changed_.notify_all();
}

bool SimOperationControl::HoldWhilePaused(std::unique_lock<std::mutex>& lock) {
    const auto self = std::this_thread::get_id();
    changed_.wait(lock, [&] { return !paused_ || pausedBy_ == self || aborted_; });
    return !aborted_;
}

HResult SimOperationControl::Wait(float* seconds) noexcept {
    if (seconds == nullptr) return HResult::Pointer;
    if (!std::isfinite(*seconds) || *seconds < 0 || *seconds > 86400) return HResult::InvalidArg;
    auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(*seconds));
    while (true) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!HoldWhilePaused(lock)) return HResult::Exception;
        }
        if (left <= std::chrono::nanoseconds::zero()) return HResult::Ok;
        const auto slice = std::min<std::chrono::nanoseconds>(left, kSlice);
        Clock::Instance().SleepFor(slice);
        left -= slice;
    }
}

HResult SimEventLog::PutLogMode(std::int32_t mode) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = mode;
    return HResult::Ok;
}

HResult SimEventLog::SetSwitch(std::int32_t number, bool on) noexcept {
    if (number < 1 || number >= static_cast<std::int32_t>(switches_.size())) return HResult::InvalidArg;
    std::lock_guard<std::mutex> lock(mutex_);
    switches_[static_cast<std::size_t>(number)] = on;
    return HResult::Ok;
}

HResult SimEventLog::PutFilterFile(const std::u16string& path) noexcept {
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        filtered_.clear();
        std::ifstream in(Utf16ToUtf8(path));
        for (std::string line; std::getline(in, line) && filtered_.size() < 10000;) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (!line.empty() && line[0] != ';') filtered_.insert(line);
        }
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

HResult SimEventLog::GetLogDirectory(std::u16string* path) noexcept {
    if (path == nullptr) return HResult::Pointer;
    std::lock_guard<std::mutex> lock(mutex_);
    *path = Utf8ToUtf16(directory_.string());
    return HResult::Ok;
}

HResult SimEventLog::PutLogDirectory(const std::u16string& path) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    directory_ = Utf16ToUtf8(path);
    file_.close();  // the next record begins a file in the new folder
    return HResult::Ok;
}

void SimEventLog::OpenFile() {
    for (int n = 1; n < 100000; ++n) {
        const auto name = directory_ / ("EVENT" + std::to_string(n) + ".CSV");
        std::error_code error;
        if (std::filesystem::exists(name, error)) continue;
        file_.open(name, std::ios::out | std::ios::trunc);
        file_ << "Time (ms),Driver,Kind,Member,Arguments,Result\n";
        lines_ = 0;
        return;
    }
}

void SimEventLog::Record(const std::string& driver, CallKind kind, const std::string& member,
                         const std::string& arguments, bool failed) {
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        if (mode_ == 0 || directory_.empty() || filtered_.count(member)) return;
        const std::size_t kindSwitch = kind == CallKind::Get ? 2 : (kind == CallKind::Put ? 4 : 5);
        if (!switches_[kindSwitch] && !(failed && switches_[6])) return;
        if (!file_.is_open() || lines_ >= kLinesPerFile) {
            file_.close();
            OpenFile();
            if (!file_.is_open()) return;
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::Instance().Now()).count();
        const char* kindText = kind == CallKind::Get ? "get" : (kind == CallKind::Put ? "put" : "method");
        file_ << ms << ',' << driver << ',' << kindText << ',' << member << ",\"" << arguments << "\","
              << (failed ? "error" : "ok") << '\n';
        file_.flush();
        ++lines_;
    } catch (...) {
        // Logging never disturbs the call it records.
    }
}

SimOperationControl& Operations() {
    static auto* object = new SimOperationControl;
    return *object;
}

SimEventLog& Events() {
    static auto* object = new SimEventLog;
    return *object;
}

SimDriverOptions& Options() {
    static auto* object = new SimDriverOptions;
    return *object;
}

}  // namespace tarvos::sim
