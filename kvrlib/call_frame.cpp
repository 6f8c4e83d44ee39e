#include "kvrlib/call_frame.h"

namespace tarvos::kvrlib {

using automation::InvokeKind;
using automation::Variant;

namespace {

template <class T>
T Value(const automation::Converted<T>& c) {
    if (!c.ok()) FailStep(c.hr);
    return c.value;
}

}  // namespace

std::int32_t LongOf(const Variant& v) { return Value(v.ToInt32()); }
std::int16_t IntegerOf(const Variant& v) { return Value(v.ToInt16()); }
double DoubleOf(const Variant& v) { return Value(v.ToReal()); }
bool BoolOf(const Variant& v) { return Value(v.ToBool()); }
std::u16string StringOf(const Variant& v) { return Value(v.ToString()); }

Variant DriverLink::Invoke(std::string_view member, InvokeKind kind, std::vector<Variant>& args) const {
    // An empty driver object (no SelectDriver yet, or an unknown family) fails every call.
    const auto dispatch = object_.ToDispatch();
    if (!dispatch.ok() || !dispatch.value) FailStep(automation::HResult::Pointer);
    Variant result;
    Check(automation::InvokeByName(*dispatch.value.get(), member, kind, args, &result));
    return result;
}

Variant DriverLink::Get(std::string_view member, std::vector<Variant> args) const {
    return Invoke(member, InvokeKind::PropertyGet, args);
}

void DriverLink::Put(std::string_view member, Variant value) const {
    std::vector<Variant> args{std::move(value)};
    Invoke(member, InvokeKind::PropertyPut, args);
}

Variant DriverLink::Call(std::string_view member, std::vector<Variant> args) const {
    return Invoke(member, InvokeKind::Method, args);
}

Variant DriverLink::CallByRef(std::string_view member, std::vector<Variant>& args) const {
    return Invoke(member, InvokeKind::Method, args);
}

}  // namespace tarvos::kvrlib
