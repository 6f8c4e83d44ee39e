// The entry points of the wire driver module: the five driver classes and the three service
// objects under the class ids of the simulated instrument, so that registering this module
// instead of the simulator's puts a real line under every program and library unchanged.
#include <new>

#include "platform/automation/class_registry.h"
#include "platform/automation/module_support.h"
#include "simdriver/service_objects.h"
#include "simdriver/sim_driver.h"
#include "wire/wire_driver.h"

#define WIRE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace tarvos;
using automation::Guid;
using automation::HResult;

namespace {

class DriverFactory final : public automation::ComObject<automation::IClassFactory> {
public:
    explicit DriverFactory(const sim::FamilyInfo& family) : family_(family) {}
    HResult CreateInstance(const Guid& iid, void** out) noexcept override {
        *out = nullptr;
        try {
            auto* driver = new wire::WireDriver(family_);
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
    const sim::FamilyInfo& family_;
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

struct WireClass {
    Guid clsid;
    const char* progId;
    const char* name;
};

std::vector<WireClass> Classes() {
    std::vector<WireClass> c;
    for (const sim::FamilyInfo& f : sim::Families()) c.push_back({f.clsid, f.progId, f.className});
    c.push_back({kvrlib::kOperationControlClsid, "KvrDrv.OperationControl", "OperationControl"});
    c.push_back({kvrlib::kEventLogClsid, "KvrDrv.EventLog", "EventLog"});
    c.push_back({kvrlib::kDriverOptionsClsid, "KvrDrv.DriverOptions", "DriverOptions"});
    return c;
}

automation::IUnknown* ServiceOf(const Guid& clsid) {
    if (clsid == kvrlib::kOperationControlClsid) return static_cast<kvrlib::OperationControl*>(&sim::Operations());
    if (clsid == kvrlib::kEventLogClsid) return static_cast<kvrlib::EventLog*>(&sim::Events());
    if (clsid == kvrlib::kDriverOptionsClsid) return static_cast<kvrlib::DriverOptions*>(&sim::Options());
    return nullptr;
}

}  // namespace

WIRE_EXPORT HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
    if (clsid == nullptr || iid == nullptr || out == nullptr) return HResult::Pointer;
    *out = nullptr;
    automation::ComPtr<automation::IClassFactory> factory;
    for (const sim::FamilyInfo& f : sim::Families())
        if (f.clsid == *clsid) factory = automation::ComPtr<automation::IClassFactory>::Adopt(new (std::nothrow) DriverFactory(f));
    if (automation::IUnknown* service = ServiceOf(*clsid))
        factory = automation::ComPtr<automation::IClassFactory>::Adopt(new (std::nothrow) ServiceFactory(*service));
    if (!factory) return ServiceOf(*clsid) != nullptr ? HResult::OutOfMemory : HResult::ClassNotAvailable;
    return factory->QueryInterface(*iid, out);
}

WIRE_EXPORT HResult DllCanUnloadNow() { return automation::ModuleCanUnloadNow(); }

WIRE_EXPORT HResult DllRegisterServer() {
    try {
        const std::string module = automation::ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
        for (const WireClass& c : Classes()) {
            const auto hr = automation::ClassRegistry::Instance().WriteEntry(
                {c.clsid, c.progId, module, std::string(c.name) + " (serial line)"});
            if (automation::Failed(hr)) return hr;
        }
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

WIRE_EXPORT HResult DllUnregisterServer() {
    HResult result = HResult::Ok;
    for (const WireClass& c : Classes())
        if (automation::Failed(automation::ClassRegistry::Instance().RemoveEntry(c.clsid))) result = HResult::RegistryWrite;
    return result;
}
