// What KvrLib calls on the driver side: the model driver objects (dispatch by name plus the
// early-bound DriverControl), the nodes of a driver's settings tree, and the three process-wide
// service objects. Every driver class and service object is created by its class id through the
// class registry; the simulated instrument serves them, tests serve fakes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/dispatch.h"

namespace tarvos::kvrlib {

using automation::Guid;
using automation::HResult;
using automation::MakeGuid;

class SettingsNode : public automation::IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("6B1E52D1-4A0C-4F0E-9C61-0D5A3E7B2201");
    virtual HResult Child(const automation::Variant& name, SettingsNode** out) noexcept = 0;
    virtual HResult GetPermittedValues(std::u16string* out) noexcept = 0;
    virtual HResult SetValue(const automation::Variant& value, const automation::Variant& a,
                             const automation::Variant& b) noexcept = 0;

protected:
    ~SettingsNode() = default;
};

class DriverControl : public automation::IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("6B1E52D1-4A0C-4F0E-9C61-0D5A3E7B2202");
    virtual HResult PutOnLine(bool online) noexcept = 0;
    virtual HResult GetOnLine(bool* online) noexcept = 0;
    virtual HResult GetSettingsRoot(SettingsNode** root) noexcept = 0;
    virtual HResult PutFamilyName(const std::u16string& name) noexcept = 0;

protected:
    ~DriverControl() = default;
};

class OperationControl : public automation::IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("6B1E52D1-4A0C-4F0E-9C61-0D5A3E7B2203");
    virtual HResult Resume() noexcept = 0;
    virtual HResult Pause() noexcept = 0;
    virtual HResult Abort() noexcept = 0;
    virtual HResult Arm() noexcept = 0;
    // Returns after `*seconds` of clock time.
    virtual HResult Wait(float* seconds) noexcept = 0;

protected:
    ~OperationControl() = default;
};

class EventLog : public automation::IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("6B1E52D1-4A0C-4F0E-9C61-0D5A3E7B2204");
    virtual HResult PutLogMode(std::int32_t mode) noexcept = 0;
    virtual HResult SetSwitch(std::int32_t number, bool on) noexcept = 0;
    virtual HResult PutFilterFile(const std::u16string& path) noexcept = 0;
    virtual HResult GetLogDirectory(std::u16string* path) noexcept = 0;
    virtual HResult PutLogDirectory(const std::u16string& path) noexcept = 0;

protected:
    ~EventLog() = default;
};

class DriverOptions : public automation::IUnknown {
public:
    static constexpr Guid kIid = MakeGuid("6B1E52D1-4A0C-4F0E-9C61-0D5A3E7B2205");
    virtual HResult PutOptionFlag(bool flag) noexcept = 0;

protected:
    ~DriverOptions() = default;
};

// Class ids of the driver side.
inline constexpr Guid kQamDriverClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0002");
inline constexpr Guid kDvbtDriverClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0004");
inline constexpr Guid kAtscDriverClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0005");
inline constexpr Guid kJ83AcDriverClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0006");
inline constexpr Guid kJ83bDriverClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0007");
inline constexpr Guid kOperationControlClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0101");
inline constexpr Guid kEventLogClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0102");
inline constexpr Guid kDriverOptionsClsid = MakeGuid("3C8F0A10-5B7D-4E21-A4B2-7F10C0DE0103");

}  // namespace tarvos::kvrlib
