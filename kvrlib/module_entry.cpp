// The four entry points of the KvrLib module: class factory, unload check, and registration of
// the class KVRPort (ProgID "KvrLib.KVRPort", its interface and type library) in the registry.
#include "kvrlib/kvrport.h"
#include "platform/automation/class_registry.h"

#define KVRLIB_EXPORT extern "C" __attribute__((visibility("default")))

using tarvos::automation::ClassEntry;
using tarvos::automation::ClassRegistry;
using tarvos::automation::Guid;
using tarvos::automation::HResult;

KVRLIB_EXPORT HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
    if (clsid == nullptr || iid == nullptr || out == nullptr) return HResult::Pointer;
    *out = nullptr;
    if (*clsid != tarvos::kvrlib::kKvrPortClsid) return HResult::ClassNotAvailable;
    return tarvos::automation::ServeClassFactory<tarvos::kvrlib::KVRPort>(*iid, out);
}

KVRLIB_EXPORT HResult DllCanUnloadNow() { return tarvos::automation::ModuleCanUnloadNow(); }

KVRLIB_EXPORT HResult DllRegisterServer() {
    try {
        ClassEntry entry;
        entry.clsid = tarvos::kvrlib::kKvrPortClsid;
        entry.progId = tarvos::kvrlib::kKvrPortProgId;
        entry.modulePath = tarvos::automation::ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
        entry.name = "KVRPort (KvrLib " + std::string(tarvos::kvrlib::kKvrLibVersion) + ", interface _KVRPort " +
                     tarvos::kvrlib::kKvrPortIid.ToString() + ", type library " +
                     tarvos::kvrlib::kKvrLibLibid.ToString() + ")";
        return ClassRegistry::Instance().WriteEntry(entry);
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

KVRLIB_EXPORT HResult DllUnregisterServer() {
    return ClassRegistry::Instance().RemoveEntry(tarvos::kvrlib::kKvrPortClsid);
}
