#include "kvrlib/c_api.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/automation/class_registry.h"

#define KVRLIB_EXPORT extern "C" __attribute__((visibility("default")))

using tarvos::automation::ComPtr;
using tarvos::automation::HResult;
using tarvos::automation::IDispatch;
using tarvos::automation::InvokeKind;
using tarvos::automation::Variant;
using tarvos::automation::VarType;

struct kvr_object {
    ComPtr<IDispatch> dispatch;
};

namespace {

int32_t Status(HResult hr) { return static_cast<int32_t>(hr); }

char* CopyText(const std::string& text) {
    char* s = static_cast<char*>(std::malloc(text.size() + 1));
    if (s != nullptr) std::memcpy(s, text.c_str(), text.size() + 1);
    return s;
}

HResult ToVariant(const kvr_value& v, Variant* out) {
    switch (v.type) {
        case KVR_EMPTY: *out = Variant(); return HResult::Ok;
        case KVR_INT16: *out = Variant::Int16(static_cast<int16_t>(v.i)); return HResult::Ok;
        case KVR_INT32: *out = Variant::Int32(v.i); return HResult::Ok;
        case KVR_DOUBLE: *out = Variant::Double(v.d); return HResult::Ok;
        case KVR_BOOL: *out = Variant::Bool(v.i != 0); return HResult::Ok;
        case KVR_STRING: *out = Variant::Utf8(v.s != nullptr ? v.s : ""); return HResult::Ok;
        default: return HResult::InvalidArg;
    }
}

// Writes a value for the caller; objects and error values are not representable here.
HResult FromVariant(const Variant& v, kvr_value* out) {
    *out = kvr_value{KVR_EMPTY, 0, 0.0, nullptr};
    switch (v.Type()) {
        case VarType::Empty: return HResult::Ok;
        case VarType::Int16: *out = {KVR_INT16, v.AsInt16(), 0.0, nullptr}; return HResult::Ok;
        case VarType::Int32: *out = {KVR_INT32, v.AsInt32(), 0.0, nullptr}; return HResult::Ok;
        case VarType::Double: *out = {KVR_DOUBLE, 0, v.AsDouble(), nullptr}; return HResult::Ok;
        case VarType::Bool: *out = {KVR_BOOL, v.AsBool() ? 1 : 0, 0.0, nullptr}; return HResult::Ok;
        case VarType::String: {
            char* s = CopyText(tarvos::automation::Utf16ToUtf8(v.AsString()));
            if (s == nullptr) return HResult::OutOfMemory;
            *out = {KVR_STRING, 0, 0.0, s};
            return HResult::Ok;
        }
        default: return HResult::TypeMismatch;
    }
}

const tarvos::automation::MemberInfo* Member(kvr_object* object, int32_t index) {
    if (object == nullptr || !object->dispatch || index < 0) return nullptr;
    const tarvos::automation::TypeInfo* info = object->dispatch->GetTypeInfo();
    if (info == nullptr || static_cast<std::size_t>(index) >= info->Members().size()) return nullptr;
    return &info->Members()[static_cast<std::size_t>(index)];
}

}  // namespace

KVRLIB_EXPORT int32_t kvr_initialize(void) { return Status(tarvos::automation::CoInitialize()); }

KVRLIB_EXPORT int32_t kvr_add_registry_file(const char* path) {
    if (path == nullptr) return Status(HResult::Pointer);
    try {
        auto& registry = tarvos::automation::ClassRegistry::Instance();
        auto files = registry.SearchFiles();
        files.insert(files.begin(), path);
        registry.SetSearchFiles(std::move(files));
        return Status(HResult::Ok);
    } catch (...) {
        return Status(HResult::OutOfMemory);
    }
}

KVRLIB_EXPORT int32_t kvr_create(const char* progid, kvr_object** out) {
    if (progid == nullptr || out == nullptr) return Status(HResult::Pointer);
    *out = nullptr;
    try {
        HResult hr = HResult::Ok;
        ComPtr<IDispatch> dispatch = tarvos::automation::CreateObject(progid, &hr);
        if (!dispatch) return Status(tarvos::automation::Failed(hr) ? hr : HResult::Fail);
        *out = new kvr_object{std::move(dispatch)};
        return Status(HResult::Ok);
    } catch (...) {
        return Status(HResult::OutOfMemory);
    }
}

KVRLIB_EXPORT void kvr_release(kvr_object* object) { delete object; }

KVRLIB_EXPORT int32_t kvr_id_of_name(kvr_object* object, const char* name, int32_t* dispid) {
    if (object == nullptr || !object->dispatch || name == nullptr || dispid == nullptr) return Status(HResult::Pointer);
    try {
        return Status(object->dispatch->GetIdOfName(tarvos::automation::Utf8ToUtf16(name), dispid));
    } catch (...) {
        return Status(HResult::OutOfMemory);
    }
}

KVRLIB_EXPORT int32_t kvr_invoke(kvr_object* object, int32_t dispid, int32_t kind, kvr_value* args, int32_t nargs,
                                 kvr_value* result) {
    if (object == nullptr || !object->dispatch || nargs < 0 || (nargs > 0 && args == nullptr)) return Status(HResult::Pointer);
    if (kind != KVR_METHOD && kind != KVR_GET && kind != KVR_PUT) return Status(HResult::InvalidArg);
    try {
        std::vector<Variant> values(static_cast<std::size_t>(nargs));
        for (int32_t i = 0; i < nargs; ++i)
            if (const HResult hr = ToVariant(args[i], &values[i]); tarvos::automation::Failed(hr)) return Status(hr);
        Variant out;
        const HResult hr = object->dispatch->Invoke(dispid, static_cast<InvokeKind>(kind), values, &out);
        if (tarvos::automation::Failed(hr)) return Status(hr);
        // By-reference arguments come back as numbers in place; strings the caller gave stay its own.
        for (int32_t i = 0; i < nargs; ++i) {
            const Variant& v = values[i];
            if (v.Type() == VarType::Int16 || v.Type() == VarType::Int32) args[i].i = v.ToInt32().value;
        }
        return Status(result != nullptr ? FromVariant(out, result) : HResult::Ok);
    } catch (...) {
        return Status(HResult::OutOfMemory);
    }
}

KVRLIB_EXPORT int32_t kvr_member_count(kvr_object* object) {
    if (object == nullptr || !object->dispatch) return 0;
    const tarvos::automation::TypeInfo* info = object->dispatch->GetTypeInfo();
    return info == nullptr ? 0 : static_cast<int32_t>(info->Members().size());
}

KVRLIB_EXPORT int32_t kvr_member_info(kvr_object* object, int32_t index, int32_t* dispid, const char** name,
                                      const char** access, const char** type) {
    const tarvos::automation::MemberInfo* m = Member(object, index);
    if (m == nullptr) return Status(HResult::InvalidArg);
    if (dispid != nullptr) *dispid = m->id;
    if (name != nullptr) *name = m->name.c_str();
    if (access != nullptr) *access = tarvos::automation::AccessName(m->access);
    if (type != nullptr) *type = m->access == tarvos::automation::Access::Put ? m->PutType().c_str() : m->type.c_str();
    return Status(HResult::Ok);
}

KVRLIB_EXPORT void kvr_value_clear(kvr_value* value) {
    if (value == nullptr) return;
    std::free(value->s);
    *value = kvr_value{KVR_EMPTY, 0, 0.0, nullptr};
}

KVRLIB_EXPORT const char* kvr_error_message(int32_t status) {
    return tarvos::automation::HResultMessage(static_cast<HResult>(status));
}
