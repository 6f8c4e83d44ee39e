// A driver's settings tree of connection parameters: nodes by name, each leaf with a text of
// permitted values and the value last written; and the connection check that OnLine = true
// makes against the simulated receiver's interface.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kvrlib/driver_contract.h"
#include "platform/automation/module_support.h"
#include "simdriver/sim_config.h"

namespace tarvos::sim {

struct SettingsTree {
    std::mutex mutex;
    std::map<std::string, std::string> values;  // "General.RS232/Baud Rate" -> "19200"

    // Leaves start at the receiver's own interface parameters, so that an unchanged tree connects.
    explicit SettingsTree(const InterfaceConfig& iface);
    // Whether the written parameters reach the receiver; the reason when not.
    bool Connects(const InterfaceConfig& iface, std::string* why);
};

// The permitted values of a leaf ("" for a group node, none for an unknown path).
std::optional<std::string> PermittedValuesOf(const std::string& path);

class SimSettingsNode final : public automation::ComObject<kvrlib::SettingsNode> {
public:
    SimSettingsNode(std::shared_ptr<SettingsTree> tree, std::string path) : tree_(std::move(tree)), path_(std::move(path)) {}
    kvrlib::HResult Child(const automation::Variant& name, kvrlib::SettingsNode** out) noexcept override;
    kvrlib::HResult GetPermittedValues(std::u16string* out) noexcept override;
    kvrlib::HResult SetValue(const automation::Variant& value, const automation::Variant& a,
                             const automation::Variant& b) noexcept override;

private:
    std::shared_ptr<SettingsTree> tree_;
    std::string path_;
};

}  // namespace tarvos::sim
