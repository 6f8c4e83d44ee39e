// A model driver that reaches its instrument over a line: dispatch by name sends each member's
// command from the member-to-command table and reads its reply; DriverControl opens the line the
// settings tree describes (serial device of the COM number, TCP, GPIB). Every reply is waited
// for within the table's timeout, so a hung instrument makes the call fail instead of hanging
// the program; a line that failed is opened again at the next call. The simulated instrument's
// clock is kept with this process's, which runs ahead of real time when waits are shortened.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kvrlib/driver_contract.h"
#include "platform/automation/module_support.h"
#include "platform/clock.h"
#include "simdriver/settings_tree.h"
#include "simdriver/sim_driver.h"
#include "wire/command_table.h"
#include "wire/line.h"

namespace tarvos::wire {

class WireDriver final : public automation::ComObject<automation::IDispatch, kvrlib::DriverControl> {
public:
    explicit WireDriver(const sim::FamilyInfo& family);
    ~WireDriver() override;

    kvrlib::HResult GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept override;
    kvrlib::HResult Invoke(automation::DispId id, automation::InvokeKind kind, std::vector<automation::Variant>& args,
                           automation::Variant* result) noexcept override;
    const automation::TypeInfo* GetTypeInfo() noexcept override { return nullptr; }

    kvrlib::HResult PutOnLine(bool online) noexcept override;
    kvrlib::HResult GetOnLine(bool* online) noexcept override;
    kvrlib::HResult GetSettingsRoot(kvrlib::SettingsNode** root) noexcept override;
    kvrlib::HResult PutFamilyName(const std::u16string& name) noexcept override;

private:
    Status Connect();
    // Tells an instrument whose clock follows its controller's (the table's Wait command) how
    // far this process's clock ran ahead of real time since the last command: the shortened
    // waits of a program run with --time-scale below 1.
    Status FollowClock();
    Result<std::unique_ptr<Line>> OpenLine() const;
    Result<automation::Variant> Transact(const CommandEntry& entry, const std::vector<automation::Variant>& args);
    Result<automation::Variant> Call(const std::string& member, CallKind kind, const std::vector<automation::Variant>& args);
    void Report(const std::string& what);

    std::mutex mutex_;
    const sim::FamilyInfo& family_;
    std::shared_ptr<sim::SettingsTree> tree_;
    CommandTable table_;
    std::unique_ptr<Line> line_;
    bool online_ = false;
    bool reported_ = false;  // the line's failure was reported and it has not worked since
    std::u16string familyName_;
    std::vector<std::string> names_;  // dispatch id n is names_[n - 1]
    bool clockKnown_ = false;         // the instrument's clock was told of this process's
    Clock::Duration clockAt_{};
    std::chrono::steady_clock::time_point realAt_{};
};

// The table the driver uses: the file named by KVR_WIRE_COMMANDS, else the one installed beside
// the module, else the built-in table.
Result<CommandTable> LoadDriverTable();

}  // namespace tarvos::wire
