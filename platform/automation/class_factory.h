// Creation of objects by class: the factory a module hands out for each class it serves, and
// the entry points every module exports.
#pragma once

#include "platform/automation/unknown.h"

namespace tarvos::automation {

class IClassFactory : public IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("00000001-0000-0000-C000-000000000046");
    // A new object of the class, queried for `iid`.
    virtual HResult CreateInstance(const Guid& iid, void** out) noexcept = 0;
    // Keeps the module loaded while true.
    virtual HResult LockServer(bool lock) noexcept = 0;

protected:
    ~IClassFactory() = default;
};

// The entry points of a loadable module, looked up by these names.
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, const Guid* iid, void** out);
using DllCanUnloadNowFn = HResult (*)();
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();

}  // namespace tarvos::automation
