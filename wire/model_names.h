// The model texts of the five driver families ("KVR T1/T3", ...), by which the driver tells the
// instrument which family's members it speaks.
#pragma once

#include <optional>
#include <string_view>

#include "simdriver/driver_members.h"

namespace tarvos::wire {

const char* ModelOfFamily(sim::Family family);
// None for a text that names no family.
std::optional<sim::Family> FamilyOfModel(std::string_view model);

}  // namespace tarvos::wire
