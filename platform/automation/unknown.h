// The reference-counted object model shared by the programs and the modules they load: every
// object answers interface queries by identifier and lives until its last reference is released.
// Calls never throw across a module boundary; they return an HResult.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"

namespace tarvos::automation {

class IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("00000000-0000-0000-C000-000000000046");

    virtual HResult QueryInterface(const Guid& iid, void** out) noexcept = 0;
    virtual std::uint32_t AddRef() noexcept = 0;
    virtual std::uint32_t Release() noexcept = 0;

protected:
    ~IUnknown() = default;
};

// Owning reference to an interface: AddRef on copy, Release on destruction.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts a reference the caller already owns (as returned through an out-parameter).
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Takes a new reference to `p`.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return Adopt(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const ComPtr& o) const { return p_ == o.p_; }

    // For out-parameters: releases the current reference and hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Queries another interface of the same object.
    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(U::kIid, out.PutVoid());
        return out;
    }

private:
    T* p_ = nullptr;
};

// Reference counting for implementations; `Object` counts live objects of its module so that
// the module can tell whether it may be unloaded.
class RefCount {
public:
    std::uint32_t Increment() { return ++count_; }
    std::uint32_t Decrement() { return --count_; }

private:
    std::atomic<std::uint32_t> count_{1};
};

}  // namespace tarvos::automation
