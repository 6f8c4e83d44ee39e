// The "tarvos port" call parser on arbitrary command-line texts: a call it accepts has a member
// name and the value count of its form, and every value prints as a text that parses back to
// the same value.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/port_call.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarvos;
using automation::Variant;
using automation::VarType;

namespace {

void CheckValuePrintsBack(const Variant& v) {
    const std::string text = cli::PortValueText(v);
    const Result<Variant> back = cli::ParsePortValue(text);
    if (v.Type() == VarType::Double && !std::isfinite(v.AsDouble())) return;
    FUZZ_CHECK(back.ok());
    switch (v.Type()) {
        case VarType::Int32:
        case VarType::Bool: FUZZ_CHECK(back.value() == v); break;
        // A whole double prints without a point and comes back as an integer of the same value.
        case VarType::Double: FUZZ_CHECK(back.value().ToReal().value == v.AsDouble()); break;
        case VarType::String:
            FUZZ_CHECK(back.value().Type() == VarType::String);
            // Text that was not valid Unicode prints with replacement characters; that text is stable.
            FUZZ_CHECK(cli::PortValueText(back.value()) == text);
            break;
        default: FUZZ_CHECK(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)cli::ParsePortValue(text);
    const Result<cli::PortCall> call = cli::ParsePortCall(text);
    if (!call.ok()) {
        FUZZ_CHECK(!call.error().message.empty());
        return 0;
    }
    const cli::PortCall& c = call.value();
    FUZZ_CHECK(!c.name.empty());
    if (c.form == cli::PortCall::Form::Put) FUZZ_CHECK(c.values.size() == 1);
    if (c.form == cli::PortCall::Form::Plain) FUZZ_CHECK(c.values.empty());
    for (const Variant& v : c.values) CheckValuePrintsBack(v);
    return 0;
}
