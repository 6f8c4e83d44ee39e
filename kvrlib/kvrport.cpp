#include "kvrlib/kvrport.h"

namespace tarvos::kvrlib {

using automation::DispId;
using automation::InvokeKind;
using automation::Variant;

namespace {

const HandlerTable& Handlers() {
    static const HandlerTable table = [] {
        HandlerTable t;
        AddSelectionMembers(t);
        AddConnectionSettingsMembers(t);
        AddForwardingMembers(t);
        AddMeasurementReadMembers(t);
        AddScreenshotMembers(t);
        return t;
    }();
    return table;
}


}  // namespace

const MemberHandlers* FindHandlers(DispId id) {
    const auto it = Handlers().find(id);
    return it == Handlers().end() ? nullptr : &it->second;
}

namespace {

bool Allows(const MemberEntry& entry, InvokeKind kind) {
    using automation::Access;
    switch (kind) {
        case InvokeKind::Method: return entry.access == Access::Method;
        case InvokeKind::PropertyGet: return entry.access == Access::Get || entry.access == Access::GetPut;
        case InvokeKind::PropertyPut: return entry.access == Access::Put || entry.access == Access::GetPut;
    }
    return false;
}

// Converts the caller's arguments to the member's parameter types in place.
HResult PrepareArguments(const MemberEntry& entry, InvokeKind kind, std::vector<Variant>& args) {
    if (kind == InvokeKind::PropertyPut) {
        if (args.size() != 1) return HResult::BadParamCount;
        const std::string type = *entry.putType ? entry.putType : entry.type;
        auto converted = ConvertTo(type, args[0]);
        if (!converted.ok()) return HResult::TypeMismatch;
        args[0] = std::move(converted.value);
        return HResult::Ok;
    }
    if (args.size() != entry.params.size()) return HResult::BadParamCount;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto converted = ConvertTo(entry.params[i].type, args[i]);
        if (!converted.ok()) return HResult::TypeMismatch;
        args[i] = std::move(converted.value);
    }
    return HResult::Ok;
}

}  // namespace

HResult KVRPort::GetIdOfName(std::u16string_view name, DispId* id) noexcept {
    try {
        const automation::MemberInfo* m = KvrPortTypeInfo().FindByName(automation::Utf16ToUtf8(name));
        if (m == nullptr) return HResult::UnknownName;
        *id = m->id;
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

const automation::TypeInfo* KVRPort::GetTypeInfo() noexcept { return &KvrPortTypeInfo(); }

Variant KVRPort::RunRead(const MemberEntry& entry, const std::function<Variant()>& read) {
    try {
        auto converted = ConvertTo(entry.type, read());
        if (converted.ok()) return std::move(converted.value);
    } catch (...) {
        // The failure trap: whatever failed, the member answers with its failure value.
    }
    return FailureValue(entry);
}

HResult KVRPort::Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args, Variant* result) noexcept {
    try {
        const MemberEntry* entry = FindMember(id);
        if (entry == nullptr || !Allows(*entry, kind)) return HResult::MemberNotFound;
        if (const HResult hr = PrepareArguments(*entry, kind, args); automation::Failed(hr)) return hr;
        const MemberHandlers* h = FindHandlers(id);
        Variant value;
        if (kind == InvokeKind::PropertyGet) {
            value = RunRead(*entry, [&] {
                if (h == nullptr || !h->get) FailStep(HResult::NotImplemented);
                return h->get(*this, args);
            });
        } else if (kind == InvokeKind::PropertyPut) {
            Frame frame(h != nullptr && h->putInReadingFrame ? Frame::Kind::Reading : Frame::Kind::Writing);
            try {
                if (h != nullptr && h->put) h->put(*this, args[0], frame);
            } catch (...) {
                // A put cannot report failure.
            }
        } else if (std::string(entry->type) == "none") {
            Frame frame(Frame::Kind::Writing);
            try {
                if (h != nullptr && h->method) h->method(*this, args, frame);
            } catch (...) {
            }
        } else {
            Frame frame(Frame::Kind::Reading);
            value = RunRead(*entry, [&] {
                if (h == nullptr || !h->method) FailStep(HResult::NotImplemented);
                return h->method(*this, args, frame);
            });
        }
        if (result != nullptr) *result = std::move(value);
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;  // only the call mechanism itself can get here
    }
}

Variant KVRPort::Own(DispId id, InvokeKind kind, std::vector<Variant> args) {
    Variant result;
    if (automation::Failed(Invoke(id, kind, args, &result))) return {};
    return result;
}

}  // namespace tarvos::kvrlib
