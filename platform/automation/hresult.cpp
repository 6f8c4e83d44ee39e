#include "platform/automation/hresult.h"

namespace tarvos::automation {

const char* HResultMessage(HResult hr) {
    switch (hr) {
        case HResult::Ok: return "Success";
        case HResult::False: return "Success (false)";
        case HResult::NotImplemented: return "The object has no such operation";
        case HResult::NoInterface: return "No such interface supported";
        case HResult::Pointer: return "Invalid pointer";
        case HResult::Fail: return "Unspecified error";
        case HResult::OutOfMemory: return "Out of memory";
        case HResult::InvalidArg: return "One or more arguments are invalid";
        case HResult::ModuleNotFound: return "The module could not be found or loaded";
        case HResult::ProcNotFound: return "The module does not export the required entry point";
        case HResult::UnknownInterface: return "Unknown interface";
        case HResult::MemberNotFound: return "Member not found";
        case HResult::TypeMismatch: return "Type mismatch";
        case HResult::UnknownName: return "Unknown name";
        case HResult::Exception: return "Exception occurred";
        case HResult::Overflow: return "Out of present range";
        case HResult::BadParamCount: return "Invalid number of parameters";
        case HResult::ClassNotAvailable: return "Class not available from this module";
        case HResult::ClassNotRegistered: return "Class not registered";
        case HResult::InvalidProgId: return "Invalid class string";
        case HResult::RegistryWrite: return "The registry file could not be written";
    }
    return "Unknown error";
}

}  // namespace tarvos::automation
