#include "kvrlib/kvrport_members.h"

#include <algorithm>
#include <unordered_map>

#include "kvrlib/kvrport.h"

namespace tarvos::kvrlib {

using automation::Converted;
using automation::HResult;
using automation::Variant;

namespace {

template <class T>
Converted<Variant> Wrap(const Converted<T>& c, Variant (*make)(T)) {
    if (!c.ok()) return {c.hr, {}};
    return {HResult::Ok, make(c.value)};
}

}  // namespace

const MemberEntry* FindMember(automation::DispId id) {
    static const std::unordered_map<automation::DispId, const MemberEntry*> index = [] {
        std::unordered_map<automation::DispId, const MemberEntry*> map;
        for (const MemberEntry& s : KvrPortMembers()) map[s.id] = &s;
        return map;
    }();
    const auto it = index.find(id);
    return it == index.end() ? nullptr : it->second;
}

const automation::TypeInfo& KvrPortTypeInfo() {
    static const automation::TypeInfo info = [] {
        std::vector<automation::MemberInfo> members;
        for (const MemberEntry& s : KvrPortMembers())
            members.push_back({s.id, s.name, s.access, s.type, s.putType, s.params});
        std::vector<automation::EnumInfo> enums = {
            {"RCMethods", {{"rcRS232", rcRS232}, {"rcGPIB", rcGPIB}, {"rcTCPIP", rcTCPIP}, {"rcGUI", rcGUI}}},
            {"Drivers",
             {{"driverQAM", driverQAM}, {"driverDVBT", driverDVBT}, {"driverATSC", driverATSC},
              {"driverJ83AC", driverJ83AC}, {"driverJ83B", driverJ83B}}},
        };
        return automation::TypeInfo("_KVRPort", std::move(members), std::move(enums));
    }();
    return info;
}

Variant FailureValue(const MemberEntry& entry) {
    switch (entry.failure) {
        case Failure::None: return {};
        case Failure::False: return Variant::Bool(false);
        case Failure::EmptyString: return Variant::String(u"");
        case Failure::Error: return Variant::String(u"Error");
        case Failure::ZeroInteger: return Variant::Int16(0);
        case Failure::MinusOne:
        case Failure::Zero: {
            const int v = entry.failure == Failure::MinusOne ? -1 : 0;
            const std::string type = entry.type;
            if (type == "double") return Variant::Double(v);
            if (type == "Integer") return Variant::Int16(static_cast<std::int16_t>(v));
            return Variant::Int32(v);
        }
    }
    return {};
}

Converted<Variant> ConvertTo(const std::string& type, const Variant& value) {
    if (type == "Long" || type == "enum") return Wrap<std::int32_t>(value.ToInt32(), &Variant::Int32);
    if (type == "Integer") return Wrap<std::int16_t>(value.ToInt16(), &Variant::Int16);
    if (type == "double") return Wrap<double>(value.ToReal(), &Variant::Double);
    if (type == "Boolean") return Wrap<bool>(value.ToBool(), &Variant::Bool);
    if (type == "string") {
        auto s = value.ToString();
        if (!s.ok()) return {s.hr, {}};
        return {HResult::Ok, Variant::String(std::move(s.value))};
    }
    return {HResult::Ok, value};  // VARIANT and "none": as it comes
}

}  // namespace tarvos::kvrlib
