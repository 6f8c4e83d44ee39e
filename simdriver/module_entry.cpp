// The entry points of the simulated instrument's module: the class factories, the unload check,
// and registration of its eight classes.
#include "platform/automation/class_registry.h"
#include "platform/automation/module_support.h"
#include "simdriver/class_factories.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

using namespace tarvos;

SIM_EXPORT automation::HResult DllGetClassObject(const automation::Guid* clsid, const automation::Guid* iid, void** out) {
    if (clsid == nullptr || iid == nullptr || out == nullptr) return automation::HResult::Pointer;
    *out = nullptr;
    const auto factory = sim::SimClassFactory(*clsid);
    if (!factory) return automation::HResult::ClassNotAvailable;
    return factory->QueryInterface(*iid, out);
}

SIM_EXPORT automation::HResult DllCanUnloadNow() { return automation::ModuleCanUnloadNow(); }

SIM_EXPORT automation::HResult DllRegisterServer() {
    try {
        const std::string module = automation::ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
        for (const sim::SimClass& c : sim::SimClasses()) {
            const auto hr = automation::ClassRegistry::Instance().WriteEntry(
                {c.clsid, c.progId, module, std::string(c.name) + " (simulated)"});
            if (automation::Failed(hr)) return hr;
        }
        return automation::HResult::Ok;
    } catch (...) {
        return automation::HResult::OutOfMemory;
    }
}

SIM_EXPORT automation::HResult DllUnregisterServer() {
    automation::HResult result = automation::HResult::Ok;
    for (const sim::SimClass& c : sim::SimClasses())
        if (automation::Failed(automation::ClassRegistry::Instance().RemoveEntry(c.clsid)))
            result = automation::HResult::RegistryWrite;
    return result;
}
