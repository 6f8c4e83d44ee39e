// Scriptable stand-ins for the driver side of KvrLib: driver objects reached by name and through
// DriverControl, their settings tree, and the three service objects. Every call lands in one
// shared log, so a test sees what KVRPort did and in which order, and any call can be made to
// fail by its key.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "kvrlib/driver_contract.h"
#include "platform/automation/module_support.h"

namespace tarvos::kvrlib::testing {

using automation::ComPtr;
using automation::Variant;

struct FakeState {
    std::vector<std::string> calls;
    // Keys of calls that answer HResult::Exception: a by-name member ("Mode"), an interface
    // method ("PutOnLine", "Arm", "SetSwitch"), "SetValue <path>" for a refused write, or
    // "Create" for the creation of any driver.
    std::set<std::string> failing;
    std::set<std::string> settingsNodes;              // node paths the tree knows
    std::map<std::string, std::u16string> permitted;  // PermittedValues by node path
    std::u16string logDirectory;                      // what EventLog's LogDirectory get answers
};

// The state every fake shares; ResetFakes restores the full settings tree and empties the rest.
FakeState& Fakes();
void ResetFakes();
// Serves the five driver classes and the three service classes from this process (once).
void RegisterFakeClasses();

template <class... Interfaces>
using FakeObject = automation::ComObject<Interfaces...>;

// A driver object: any member name is accepted; a get answers the property store (Empty when
// unset), a put writes it.
class FakeDriver final : public FakeObject<automation::IDispatch, DriverControl> {
public:
    explicit FakeDriver(const Guid& created) : clsid(created) {}

    HResult GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept override;
    HResult Invoke(automation::DispId id, automation::InvokeKind kind, std::vector<Variant>& args,
                   Variant* result) noexcept override;
    const automation::TypeInfo* GetTypeInfo() noexcept override { return nullptr; }

    HResult PutOnLine(bool value) noexcept override;
    HResult GetOnLine(bool* value) noexcept override;
    HResult GetSettingsRoot(SettingsNode** root) noexcept override;
    HResult PutFamilyName(const std::u16string& name) noexcept override;

    Guid clsid;  // the class it was created as
    // A get of "Name" answers properties["Name"]; a get with arguments answers "Name(1)" etc.
    std::map<std::string, Variant> properties;
    // Values a get answers in turn before it falls back to `properties` (progress readings).
    std::map<std::string, std::vector<Variant>> sequences;
    // Methods with a result or by-reference arguments; others just log.
    std::map<std::string, std::function<Variant(std::vector<Variant>& args)>> methods;
    bool online = false;

private:
    std::vector<std::string> names_;  // dispatch id - 1
};

// The driver most recently created by a driver factory.
ComPtr<FakeDriver>& LastDriver();

}  // namespace tarvos::kvrlib::testing
