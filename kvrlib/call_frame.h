// The frames every KVRPort member runs in. A failing step (a driver error, a failed conversion,
// no driver) throws StepFailure inside the library: the reading frame turns it into the member's
// failure value and skips the rest; the writing frame skips only that step. StepFailure never
// leaves the library: Invoke catches everything.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/automation/dispatch.h"

namespace tarvos::kvrlib {

struct StepFailure {
    automation::HResult hr = automation::HResult::Fail;
};

[[noreturn]] inline void FailStep(automation::HResult hr = automation::HResult::Fail) { throw StepFailure{hr}; }
inline void Check(automation::HResult hr) {
    if (automation::Failed(hr)) FailStep(hr);
}

class Frame {
public:
    enum class Kind { Reading, Writing };
    explicit Frame(Kind kind) : kind_(kind) {}
    Kind GetKind() const { return kind_; }

    // One step of a member. In the writing frame a failing step is skipped.
    template <class F>
    void Step(F&& step) {
        if (kind_ == Kind::Reading) {
            std::forward<F>(step)();
            return;
        }
        try {
            std::forward<F>(step)();
        } catch (const StepFailure&) {
        }
    }

private:
    Kind kind_;
};

// Conversions inside a step: a value that cannot be converted fails the step.
std::int32_t LongOf(const automation::Variant& v);
std::int16_t IntegerOf(const automation::Variant& v);
double DoubleOf(const automation::Variant& v);
bool BoolOf(const automation::Variant& v);
std::u16string StringOf(const automation::Variant& v);

// By-name calls on a driver object, looked up at the time of the call.
class DriverLink {
public:
    explicit DriverLink(automation::Variant driverObject) : object_(std::move(driverObject)) {}
    automation::Variant Get(std::string_view member, std::vector<automation::Variant> args = {}) const;
    void Put(std::string_view member, automation::Variant value) const;
    automation::Variant Call(std::string_view member, std::vector<automation::Variant> args = {}) const;
    // A method whose by-reference arguments the driver writes back into `args`.
    automation::Variant CallByRef(std::string_view member, std::vector<automation::Variant>& args) const;

private:
    automation::Variant Invoke(std::string_view member, automation::InvokeKind kind,
                               std::vector<automation::Variant>& args) const;
    automation::Variant object_;
};

}  // namespace tarvos::kvrlib
