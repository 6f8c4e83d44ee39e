// Late-bound calls: a member is found by name (case-insensitive) and invoked by its dispatch
// identifier as a method, a property get or a property put; get and put of one property share
// one identifier. The type information lists every member with its access and types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

namespace tarvos::automation {

using DispId = std::int32_t;

enum class InvokeKind : int { Method = 1, PropertyGet = 2, PropertyPut = 4 };

enum class Access { Method, Get, Put, GetPut };
const char* AccessName(Access a);  // "method", "get", "put", "get/put"

struct ParamInfo {
    std::string name;
    std::string type;     // "Long", "Integer", "double", "Boolean", "string", "enum", "VARIANT"
    bool byRef = false;   // in/out: the callee may write the argument back
};

struct MemberInfo {
    DispId id = 0;
    std::string name;
    Access access = Access::Method;
    std::string type;     // result type of a get or method ("none" for none)
    std::string putType;  // value type of a put (empty: same as `type`)
    std::vector<ParamInfo> params;

    const std::string& PutType() const { return putType.empty() ? type : putType; }
    bool Allows(InvokeKind kind) const;
};

// An enumeration the interface's library declares: its name and its values, in order.
struct EnumInfo {
    std::string name;
    std::vector<std::pair<std::string, std::int32_t>> values;
};

// The members of one dispatch interface, and the enumerations its library declares beside it.
class TypeInfo {
public:
    TypeInfo(std::string name, std::vector<MemberInfo> members, std::vector<EnumInfo> enums = {});
    const std::string& Name() const { return name_; }
    const std::vector<MemberInfo>& Members() const { return members_; }  // sorted by id
    const std::vector<EnumInfo>& Enums() const { return enums_; }        // in declaration order
    const MemberInfo* FindByName(std::string_view name) const;          // case-insensitive
    const MemberInfo* FindById(DispId id) const;

private:
    std::string name_;
    std::vector<MemberInfo> members_;
    std::vector<EnumInfo> enums_;
};

class IDispatch : public IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("00020400-0000-0000-C000-000000000046");

    // UnknownName when the object has no such member.
    virtual HResult GetIdOfName(std::u16string_view name, DispId* id) noexcept = 0;
    // `args` in declaration order; a by-reference argument may be written back. `result` is set
    // by gets and by methods with a result. MemberNotFound for an unknown id or a kind the
    // member does not allow; BadParamCount, TypeMismatch for unusable arguments; Exception when
    // the member itself failed.
    virtual HResult Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args,
                           Variant* result) noexcept = 0;
    // The object's type information, or none when it has none; owned by the object's module.
    virtual const TypeInfo* GetTypeInfo() noexcept = 0;

protected:
    ~IDispatch() = default;
};

// Convenience wrappers for callers.
HResult InvokeByName(IDispatch& object, std::string_view name, InvokeKind kind,
                     std::vector<Variant>& args, Variant* result);

}  // namespace tarvos::automation
