// A small loadable module for the runtime's tests: one class "Sample.Counter" with a Long
// property Value and a method Increment, served and registered as every module does.
#include "platform/automation/class_registry.h"
#include "platform/automation/module_support.h"

namespace {

using namespace tarvos::automation;

constexpr Guid kCounterClsid = MakeGuid("5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C01");
constexpr DispId kValue = 1;
constexpr DispId kIncrement = 2;

const TypeInfo& CounterType() {
    static const TypeInfo info("Counter", {{kValue, "Value", Access::GetPut, "Long", "", {}},
                                          {kIncrement, "Increment", Access::Method, "Long", "", {{"by", "Long", false}}}});
    return info;
}

class Counter final : public ComObject<IDispatch> {
public:
    HResult GetIdOfName(std::u16string_view name, DispId* id) noexcept override {
        const MemberInfo* m = CounterType().FindByName(Utf16ToUtf8(name));
        if (m == nullptr) return HResult::UnknownName;
        *id = m->id;
        return HResult::Ok;
    }
    HResult Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args, Variant* result) noexcept override {
        if (id == kValue && kind == InvokeKind::PropertyGet && args.empty()) {
            *result = Variant::Int32(value_);
        } else if (id == kValue && kind == InvokeKind::PropertyPut && args.size() == 1) {
            const auto v = args[0].ToInt32();
            if (!v.ok()) return v.hr;
            value_ = v.value;
        } else if (id == kIncrement && kind == InvokeKind::Method && args.size() == 1) {
            const auto by = args[0].ToInt32();
            if (!by.ok()) return by.hr;
            value_ += by.value;
            *result = Variant::Int32(value_);
        } else {
            return HResult::MemberNotFound;
        }
        return HResult::Ok;
    }
    const TypeInfo* GetTypeInfo() noexcept override { return &CounterType(); }

private:
    std::int32_t value_ = 0;
};

}  // namespace

#define SAMPLE_EXPORT extern "C" __attribute__((visibility("default")))

SAMPLE_EXPORT HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
    *out = nullptr;
    if (*clsid != kCounterClsid) return HResult::ClassNotAvailable;
    return ServeClassFactory<Counter>(*iid, out);
}

SAMPLE_EXPORT HResult DllCanUnloadNow() { return ModuleCanUnloadNow(); }

SAMPLE_EXPORT HResult DllRegisterServer() {
    return ClassRegistry::Instance().WriteEntry(
        {kCounterClsid, "Sample.Counter", ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer)), "Counter"});
}

SAMPLE_EXPORT HResult DllUnregisterServer() { return ClassRegistry::Instance().RemoveEntry(kCounterClsid); }
