// Status codes of the automation runtime, with one message per code. Every call across a
// module boundary reports its outcome with one of these, never with a C++ exception.
#pragma once

#include <cstdint>

namespace tarvos::automation {

enum class HResult : std::int32_t {
    Ok = 0,
    False = 1,
    NotImplemented = static_cast<std::int32_t>(0x80004001),
    NoInterface = static_cast<std::int32_t>(0x80004002),
    Pointer = static_cast<std::int32_t>(0x80004003),
    Fail = static_cast<std::int32_t>(0x80004005),
    OutOfMemory = static_cast<std::int32_t>(0x8007000E),
    InvalidArg = static_cast<std::int32_t>(0x80070057),
    ModuleNotFound = static_cast<std::int32_t>(0x8007007E),
    ProcNotFound = static_cast<std::int32_t>(0x8007007F),
    UnknownInterface = static_cast<std::int32_t>(0x80020001),
    MemberNotFound = static_cast<std::int32_t>(0x80020003),
    TypeMismatch = static_cast<std::int32_t>(0x80020005),
    UnknownName = static_cast<std::int32_t>(0x80020006),
    Exception = static_cast<std::int32_t>(0x80020009),
    Overflow = static_cast<std::int32_t>(0x8002000A),
    BadParamCount = static_cast<std::int32_t>(0x8002000E),
    ClassNotAvailable = static_cast<std::int32_t>(0x80040111),
    ClassNotRegistered = static_cast<std::int32_t>(0x80040154),
    InvalidProgId = static_cast<std::int32_t>(0x800401F3),
    RegistryWrite = static_cast<std::int32_t>(0x80040200),
};

inline bool Succeeded(HResult hr) { return static_cast<std::int32_t>(hr) >= 0; }
inline bool Failed(HResult hr) { return static_cast<std::int32_t>(hr) < 0; }

// A short English sentence for the code, e.g. "Class not registered".
const char* HResultMessage(HResult hr);

}  // namespace tarvos::automation
