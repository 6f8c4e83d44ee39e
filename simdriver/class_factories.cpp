#include "simdriver/class_factories.h"

#include <new>

#include "platform/automation/class_registry.h"
#include "platform/automation/module_support.h"
#include "simdriver/service_objects.h"
#include "simdriver/sim_driver.h"

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
            Operations().NewDriverObject();
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

automation::IUnknown* ServiceOf(const Guid& clsid) {
    if (clsid == kvrlib::kOperationControlClsid) return static_cast<kvrlib::OperationControl*>(&Operations());
    if (clsid == kvrlib::kEventLogClsid) return static_cast<kvrlib::EventLog*>(&Events());
    if (clsid == kvrlib::kDriverOptionsClsid) return static_cast<kvrlib::DriverOptions*>(&Options());
    return nullptr;
}

}  // namespace

const std::vector<SimClass>& SimClasses() {
    static const std::vector<SimClass> classes = [] {
        std::vector<SimClass> c;
        for (const FamilyInfo& f : Families()) c.push_back({f.clsid, f.progId, f.className});
        c.push_back({kvrlib::kOperationControlClsid, "KvrDrv.OperationControl", "OperationControl"});
        c.push_back({kvrlib::kEventLogClsid, "KvrDrv.EventLog", "EventLog"});
        c.push_back({kvrlib::kDriverOptionsClsid, "KvrDrv.DriverOptions", "DriverOptions"});
        return c;
    }();
    return classes;
}

automation::ComPtr<automation::IClassFactory> SimClassFactory(const Guid& clsid) {
    for (const FamilyInfo& f : Families())
        if (f.clsid == clsid) return automation::ComPtr<automation::IClassFactory>::Adopt(new (std::nothrow) DriverFactory(f));
    if (automation::IUnknown* service = ServiceOf(clsid))
        return automation::ComPtr<automation::IClassFactory>::Adopt(new (std::nothrow) ServiceFactory(*service));
    return nullptr;
}

void ServeSimulatorInProcess() {
    for (const SimClass& c : SimClasses())
        automation::ClassRegistry::Instance().RegisterClassObject(c.clsid, SimClassFactory(c.clsid));
}

}  // namespace tarvos::sim
