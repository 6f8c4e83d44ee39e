// The driver side's process-wide service objects: OperationControl (waits on the platform clock
// that Pause holds, Resume releases and Abort ends), EventLog (writes EVENT<n>.CSV files of the
// drivers' calls into its log folder while logging is on) and DriverOptions.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "kvrlib/driver_contract.h"
#include "platform/automation/module_support.h"

namespace tarvos::sim {

using kvrlib::HResult;

class SimOperationControl final : public automation::ComObject<kvrlib::OperationControl> {
public:
    HResult Resume() noexcept override;
    HResult Pause() noexcept override;
    HResult Abort() noexcept override;
    // Begins a new operation (the driver goes on line): no abort and no pause of an earlier one.
    HResult Arm() noexcept override;
    // Returns after *seconds of clock time; Exception when aborted before or during the wait.
    HResult Wait(float* seconds) noexcept override;
    // A new driver object starts unpaused: a pause of earlier work is nobody's to lift for it.
    void NewDriverObject();

private:
    // False when the wait was aborted. A pause holds the waits of every thread but the one that
    // paused: that thread cannot resume while it waits itself, so its pause would never end.
    bool HoldWhilePaused(std::unique_lock<std::mutex>& lock);
    std::mutex mutex_;
    std::condition_variable changed_;
    bool paused_ = false;
    std::thread::id pausedBy_;
    bool aborted_ = false;
};

class SimEventLog final : public automation::ComObject<kvrlib::EventLog> {
public:
    HResult PutLogMode(std::int32_t mode) noexcept override;
    HResult SetSwitch(std::int32_t number, bool on) noexcept override;
    HResult PutFilterFile(const std::u16string& path) noexcept override;
    HResult GetLogDirectory(std::u16string* path) noexcept override;
    HResult PutLogDirectory(const std::u16string& path) noexcept override;

    enum class CallKind { Get, Put, Method };
    // One driver call, logged when logging is on, its kind is switched on (2 gets, 4 puts,
    // 5 methods; 6 failed calls of any kind) and the member is not named in the filter file.
    void Record(const std::string& driver, CallKind kind, const std::string& member, const std::string& arguments,
                bool failed);

private:
    void OpenFile();
    std::mutex mutex_;
    std::int32_t mode_ = 0;
    std::array<bool, 7> switches_{};
    std::filesystem::path directory_;
    std::set<std::string> filtered_;
    std::ofstream file_;
    long lines_ = 0;
};

class SimDriverOptions final : public automation::ComObject<kvrlib::DriverOptions> {
public:
    HResult PutOptionFlag(bool flag) noexcept override {
        flag_ = flag;
        return HResult::Ok;
    }
    bool Flag() const { return flag_; }

private:
    bool flag_ = false;
};

// The one instance of each per process (never released: they live as long as the module).
SimOperationControl& Operations();
SimEventLog& Events();
SimDriverOptions& Options();

}  // namespace tarvos::sim
