// What a loadable module needs to serve classes: live-object and lock counts for
// DllCanUnloadNow, a class factory per class, and the module's own file path for registration.
// Modules are built with hidden visibility, so each one keeps its own counts.
#pragma once

#include <atomic>
#include <new>
#include <string>
#include <tuple>

#include "platform/automation/class_factory.h"

namespace tarvos::automation {

struct ModuleCounts {
    std::atomic<long> objects{0};
    std::atomic<long> locks{0};
};

inline ModuleCounts& ThisModule() {
    static ModuleCounts counts;
    return counts;
}

// Base of every object a module hands out: counts it while it lives.
class ModuleObject {
public:
    ModuleObject() { ++ThisModule().objects; }
    ModuleObject(const ModuleObject&) : ModuleObject() {}
    ~ModuleObject() { --ThisModule().objects; }
};

// Reference counting and interface queries for an object implementing `Interfaces` (IUnknown
// answers with the first). Counted as a live object of its module.
template <class... Interfaces>
class ComObject : public Interfaces..., private ModuleObject {
public:
    HResult QueryInterface(const Guid& iid, void** out) noexcept override {
        using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
        *out = nullptr;
        if (iid == IUnknown::kIid) *out = static_cast<First*>(this);
        else (void)((iid == Interfaces::kIid && (*out = static_cast<Interfaces*>(this)) != nullptr) || ...);
        if (*out == nullptr) *out = QueryOther(iid);
        if (*out == nullptr) return HResult::NoInterface;
        AddRef();
        return HResult::Ok;
    }
    std::uint32_t AddRef() noexcept override { return ++refs_; }
    std::uint32_t Release() noexcept override {
        const std::uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;
    // Further identifiers the object answers to (an interface known under another id).
    virtual void* QueryOther(const Guid&) noexcept { return nullptr; }

private:
    std::atomic<std::uint32_t> refs_{1};
};

inline HResult ModuleCanUnloadNow() {
    const ModuleCounts& c = ThisModule();
    return (c.objects.load() == 0 && c.locks.load() == 0) ? HResult::Ok : HResult::False;
}

// Factory of objects of class T (a T is created with reference count 1 and queried for the
// requested interface; the creation reference is then dropped).
template <class T>
class ClassFactory final : public ComObject<IClassFactory> {
public:
    HResult CreateInstance(const Guid& iid, void** out) noexcept override {
        *out = nullptr;
        T* object = new (std::nothrow) T();
        if (object == nullptr) return HResult::OutOfMemory;
        const HResult hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HResult LockServer(bool lock) noexcept override {
        lock ? ++ThisModule().locks : --ThisModule().locks;
        return HResult::Ok;
    }
};

// Hands out a new factory for T through DllGetClassObject's out-parameter.
template <class T>
HResult ServeClassFactory(const Guid& iid, void** out) {
    auto* factory = new (std::nothrow) ClassFactory<T>();
    if (factory == nullptr) return HResult::OutOfMemory;
    const HResult hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

// The file of the module that holds `address` (any function or object of the module).
std::string ModuleFileOf(const void* address);

}  // namespace tarvos::automation
