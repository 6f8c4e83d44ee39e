// The by-name members of the simulated drivers: which families have each one and what its get,
// put or method does on the simulated receiver.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/automation/variant.h"
#include "simdriver/sim_receiver.h"

namespace tarvos::sim {

enum Family : unsigned { kQam = 1, kDvbt = 2, kAtsc = 4, kJ83ac = 8, kJ83b = 16 };
inline constexpr unsigned kAllFamilies = kQam | kDvbt | kAtsc | kJ83ac | kJ83b;
inline constexpr unsigned kJ83 = kJ83ac | kJ83b;

// A failing member: the driver answers its call with an automation error.
struct MemberFailure {
    std::string why;
};

struct MemberCall {
    SimReceiver& receiver;
    Family family;
    std::vector<automation::Variant>& args;
};

struct DriverMember {
    std::string name;
    unsigned families = kAllFamilies;
    std::function<automation::Variant(MemberCall&)> get;
    std::function<void(MemberCall&, const automation::Variant&)> put;
    std::function<automation::Variant(MemberCall&)> method;
};

const std::vector<DriverMember>& DriverMembers();

}  // namespace tarvos::sim
