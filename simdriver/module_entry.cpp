// The entry points of the simulated instrument's module: a factory per driver class and for the
// three service objects, the unload check, and registration of all eight classes.
#include <new>

#include "platform/automation/class_registry.h"
#include "simdriver/service_objects.h"
#include "simdriver/sim_driver.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace tarvos::sim {
namespace {

using automation::Guid;
using kvrlib::HResult;

class DriverFactory final : public automation::ComObject<automation::IClassFactory> {
public:
    explicit DriverFactory(const FamilyInfo& family) : family_(family) {}
    HResult CreateInstance(const Guid& iid, void** out) noexcept override {
        *out = nullptr;
        try {
            auto* driver = new SimDriver(family_);
            const HResult hr = driver->QueryInterface(iid, out);
            driver->Release();
            return hr;
        } catch (...) {
            return HResult::OutOfMemory;
        }
    }
    HResult LockServer(bool lock) noexcept override {
        lock ? ++automation::ThisModule().locks : --automation::ThisModule().locks;
        return HResult::Ok;
    }

private:
    const FamilyInfo& family_;
};

// The service objects exist once per process: every creation hands out the same object.
class ServiceFactory final : public automation::ComObject<automation::IClassFactory> {
public:
    explicit ServiceFactory(automation::IUnknown& service) : service_(service) {}
    HResult CreateInstance(const Guid& iid, void** out) noexcept override { return service_.QueryInterface(iid, out); }
    HResult LockServer(bool lock) noexcept override {
        lock ? ++automation::ThisModule().locks : --automation::ThisModule().locks;
        return HResult::Ok;
    }

private:
    automation::IUnknown& service_;
};

struct ServiceClass {
    Guid clsid;
    const char* progId;
    automation::IUnknown& (*object)();
};

const ServiceClass kServices[] = {
    {kvrlib::kOperationControlClsid, "KvrDrv.OperationControl",
     [] () -> automation::IUnknown& { return static_cast<kvrlib::OperationControl&>(Operations()); }},
    {kvrlib::kEventLogClsid, "KvrDrv.EventLog",
     [] () -> automation::IUnknown& { return static_cast<kvrlib::EventLog&>(Events()); }},
    {kvrlib::kDriverOptionsClsid, "KvrDrv.DriverOptions",
     [] () -> automation::IUnknown& { return static_cast<kvrlib::DriverOptions&>(Options()); }},
};

HResult Serve(automation::IClassFactory* factory, const Guid& iid, void** out) {
    if (factory == nullptr) return HResult::OutOfMemory;
    const HResult hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace
}  // namespace tarvos::sim

using namespace tarvos;

SIM_EXPORT kvrlib::HResult DllGetClassObject(const automation::Guid* clsid, const automation::Guid* iid, void** out) {
    if (clsid == nullptr || iid == nullptr || out == nullptr) return kvrlib::HResult::Pointer;
    *out = nullptr;
    for (const sim::FamilyInfo& f : sim::Families())
        if (f.clsid == *clsid) return sim::Serve(new (std::nothrow) sim::DriverFactory(f), *iid, out);
    for (const sim::ServiceClass& s : sim::kServices)
        if (s.clsid == *clsid) return sim::Serve(new (std::nothrow) sim::ServiceFactory(s.object()), *iid, out);
    return kvrlib::HResult::ClassNotAvailable;
}

SIM_EXPORT kvrlib::HResult DllCanUnloadNow() { return automation::ModuleCanUnloadNow(); }

SIM_EXPORT kvrlib::HResult DllRegisterServer() {
    try {
        const std::string module = automation::ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
        auto& registry = automation::ClassRegistry::Instance();
        for (const sim::FamilyInfo& f : sim::Families()) {
            const auto hr = registry.WriteEntry({f.clsid, f.progId, module, std::string(f.className) + " (simulated)"});
            if (automation::Failed(hr)) return hr;
        }
        for (const sim::ServiceClass& s : sim::kServices) {
            const auto hr = registry.WriteEntry({s.clsid, s.progId, module, std::string(s.progId) + " (simulated)"});
            if (automation::Failed(hr)) return hr;
        }
        return kvrlib::HResult::Ok;
    } catch (...) {
        return kvrlib::HResult::OutOfMemory;
    }
}

SIM_EXPORT kvrlib::HResult DllUnregisterServer() {
    auto& registry = automation::ClassRegistry::Instance();
    kvrlib::HResult result = kvrlib::HResult::Ok;
    for (const sim::FamilyInfo& f : sim::Families())
        if (automation::Failed(registry.RemoveEntry(f.clsid))) result = kvrlib::HResult::RegistryWrite;
    for (const sim::ServiceClass& s : sim::kServices)
        if (automation::Failed(registry.RemoveEntry(s.clsid))) result = kvrlib::HResult::RegistryWrite;
    return result;
}
