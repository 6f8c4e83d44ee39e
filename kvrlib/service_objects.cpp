#include "kvrlib/service_objects.h"

#include <mutex>

#include "kvrlib/call_frame.h"
#include "platform/automation/class_registry.h"

namespace tarvos::kvrlib {
namespace {

// Created on first use and never released: the objects live in another module whose code
// may already be finalised when this library's static destructors would run at exit.
template <class T>
T& Service(const Guid& clsid) {
    static std::mutex mutex;
    static T* object = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (object == nullptr) {
        void* created = nullptr;
        Check(automation::ClassRegistry::Instance().CreateInstance(clsid, T::kIid, &created));
        if (created == nullptr) FailStep(HResult::Pointer);
        object = static_cast<T*>(created);
    }
    return *object;
}

}  // namespace

OperationControl& Operations() { return Service<OperationControl>(kOperationControlClsid); }
EventLog& Events() { return Service<EventLog>(kEventLogClsid); }
DriverOptions& Options() { return Service<DriverOptions>(kDriverOptionsClsid); }

}  // namespace tarvos::kvrlib
