#include "platform/automation/dispatch.h"

#include <algorithm>

namespace tarvos::automation {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

const char* AccessName(Access a) {
    switch (a) {
        case Access::Method: return "method";
        case Access::Get: return "get";
        case Access::Put: return "put";
        case Access::GetPut: return "get/put";
    }
    return "?";
}

bool MemberInfo::Allows(InvokeKind kind) const {
    switch (kind) {
        case InvokeKind::Method: return access == Access::Method;
        case InvokeKind::PropertyGet: return access == Access::Get || access == Access::GetPut;
        case InvokeKind::PropertyPut: return access == Access::Put || access == Access::GetPut;
    }
    return false;
}

TypeInfo::TypeInfo(std::string name, std::vector<MemberInfo> members, std::vector<EnumInfo> enums)
    : name_(std::move(name)), members_(std::move(members)), enums_(std::move(enums)) {
    std::sort(members_.begin(), members_.end(),
              [](const MemberInfo& a, const MemberInfo& b) { return a.id < b.id; });
}

const MemberInfo* TypeInfo::FindByName(std::string_view name) const {
    for (const MemberInfo& m : members_)
        if (SameName(m.name, name)) return &m;
    return nullptr;
}

const MemberInfo* TypeInfo::FindById(DispId id) const {
    const auto it = std::lower_bound(members_.begin(), members_.end(), id,
                                     [](const MemberInfo& m, DispId v) { return m.id < v; });
    return (it != members_.end() && it->id == id) ? &*it : nullptr;
}

HResult InvokeByName(IDispatch& object, std::string_view name, InvokeKind kind,
                     std::vector<Variant>& args, Variant* result) {
    DispId id = 0;
    const HResult found = object.GetIdOfName(Utf8ToUtf16(name), &id);
    if (Failed(found)) return found;
    return object.Invoke(id, kind, args, result);
}

}  // namespace tarvos::automation
