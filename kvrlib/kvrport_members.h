// The members of the KVRPort interface as data: dispatch identifier, name, access, types and
// the value a failing read returns; and the type information built from them.
#pragma once

#include <string>
#include <vector>

#include "kvrlib/kvrport_dispids.h"
#include "platform/automation/dispatch.h"

namespace tarvos::kvrlib {

// What a member returns when one of its steps fails.
enum class Failure { None, False, MinusOne, Zero, EmptyString, Error, ZeroInteger };

struct MemberEntry {
    automation::DispId id;
    const char* name;
    automation::Access access;
    const char* type;     // result type of a get or method; "none" for none
    const char* putType;  // value type of a put when it differs from `type`
    std::vector<automation::ParamInfo> params;
    Failure failure;
};

const std::vector<MemberEntry>& KvrPortMembers();
const MemberEntry* FindMember(automation::DispId id);
const automation::TypeInfo& KvrPortTypeInfo();

// The failure value in the member's result type.
automation::Variant FailureValue(const MemberEntry& entry);
// `value` converted to an automation type by name ("Long", "enum", "Integer", "double",
// "Boolean", "string", "VARIANT"); Ok with the converted value, or why not.
automation::Converted<automation::Variant> ConvertTo(const std::string& type, const automation::Variant& value);

}  // namespace tarvos::kvrlib
