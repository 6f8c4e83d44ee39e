// A simulated model driver: dispatch by name over the members its family has, DriverControl with
// the connection to the simulated receiver, and its settings tree. A member the family does not
// have is an unknown name; a call without a connection raises an error, as with a real driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kvrlib/driver_contract.h"
#include "platform/automation/module_support.h"
#include "simdriver/driver_members.h"
#include "simdriver/settings_tree.h"

namespace tarvos::sim {

struct FamilyInfo {
    Family family;
    const char* className;
    automation::Guid clsid;
    const char* progId;
};

const std::vector<FamilyInfo>& Families();

class SimDriver final : public automation::ComObject<automation::IDispatch, kvrlib::DriverControl> {
public:
    explicit SimDriver(const FamilyInfo& family);

    kvrlib::HResult GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept override;
    kvrlib::HResult Invoke(automation::DispId id, automation::InvokeKind kind, std::vector<automation::Variant>& args,
                           automation::Variant* result) noexcept override;
    const automation::TypeInfo* GetTypeInfo() noexcept override { return nullptr; }

    kvrlib::HResult PutOnLine(bool online) noexcept override;
    kvrlib::HResult GetOnLine(bool* online) noexcept override;
    kvrlib::HResult GetSettingsRoot(kvrlib::SettingsNode** root) noexcept override;
    kvrlib::HResult PutFamilyName(const std::u16string& name) noexcept override;

private:
    kvrlib::HResult Dispatch(const DriverMember& member, automation::InvokeKind kind,
                             std::vector<automation::Variant>& args, automation::Variant* result);
    const FamilyInfo& family_;
    std::shared_ptr<SettingsTree> tree_;
    bool online_ = false;
    long calls_ = 0;
    std::u16string familyName_;
};

}  // namespace tarvos::sim
