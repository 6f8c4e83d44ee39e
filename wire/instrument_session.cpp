#include "wire/instrument_session.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/clock.h"
#include "wire/model_names.h"
#include "wire/value_text.h"

namespace tarvos::wire {

using automation::Variant;

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

const sim::DriverMember* MemberNamed(std::string_view name, sim::Family family) {
    for (const sim::DriverMember& m : sim::DriverMembers())
        if ((m.families & family) && SameText(m.name, name)) return &m;
    return nullptr;
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string Fail(bool* failed, int code, std::string_view text) {
    *failed = true;
    return ErrorReply(code, text);
}

}  // namespace

InstrumentSession::InstrumentSession(sim::SimReceiver& receiver, const CommandTable& table)
    : receiver_(receiver), table_(table) {}

std::optional<std::string> InstrumentSession::Execute(std::string_view message) {
    std::string reply;
    bool asked = false;
    for (const std::string& unit : SplitOutsideQuotes(message, ';')) {
        if (Trim(unit).empty()) continue;
        const bool query = ExpectsReply(unit);
        bool failed = false;
        std::string answer = ExecuteUnit(unit, &failed);
        if (failed) return answer;
        if (!query) continue;
        reply += (asked ? ";" : "") + answer;
        asked = true;
    }
    if (!asked) return std::nullopt;
    return reply;
}

std::string InstrumentSession::ExecuteUnit(std::string_view unit, bool* failed) {
    unit = Trim(unit);
    const std::string_view header = HeaderOf(unit);
    std::vector<Variant> args;
    const std::string_view rest = Trim(unit.substr(header.size()));
    if (!rest.empty()) {
        for (const std::string& text : SplitOutsideQuotes(rest, ',')) {
            Result<Variant> value = ParseArgument(text);
            if (!value) return Fail(failed, kDataTypeError, value.error().message);
            args.push_back(std::move(value).value());
        }
    }
    if (SameText(header, "*OPC?")) return "1";
    if (SameText(header, "*CLS") || SameText(header, "*WAI")) return "";
    if (SameText(header, "*IDN?")) {
        const sim::DriverMember* identity = MemberNamed("Identity", family_);
        if (identity == nullptr) return Fail(failed, kUndefinedHeader, "*IDN?");
        std::vector<Variant> none;
        std::lock_guard<std::mutex> lock(receiver_.Lock());
        sim::MemberCall call{receiver_, family_, none};
        const auto text = identity->get(call).ToUtf8();
        return text.ok() ? text.value : Fail(failed, kExecutionError, "no identity");
    }
    if (SameText(header, "*RST")) {
        std::vector<Variant> none;
        const CommandEntry reset{"Reset", CallKind::Call, ReplyType::None, "*RST"};
        return ExecuteMember(reset, none, failed);
    }
    const CommandEntry* entry = table_.FindByHeader(header);
    if (entry == nullptr) return Fail(failed, kUndefinedHeader, "Undefined header " + std::string(header));
    if (entry->member == "FamilyName" || entry->member == "Wait") return Protocol(*entry, args, failed);
    return ExecuteMember(*entry, args, failed);
}

// The commands of the protocol itself: which family's members the driver uses, and how far the
// controller's clock ran ahead of real time, which this instrument's clock follows.
std::string InstrumentSession::Protocol(const CommandEntry& entry, const std::vector<Variant>& args, bool* failed) {
    if (args.size() != 1) return Fail(failed, kParameterCountError, entry.member + " takes one value");
    if (entry.member == "FamilyName") {
        const auto text = args[0].ToUtf8();
        const std::optional<sim::Family> family = text.ok() ? FamilyOfModel(text.value) : std::nullopt;
        if (!family) return Fail(failed, kExecutionError, "no such model");
        family_ = *family;
        return "";
    }
    const auto seconds = args[0].ToReal();
    if (!seconds.ok() || !(seconds.value >= 0 && seconds.value <= 86400))
        return Fail(failed, kDataTypeError, "a wait of 0 to 86400 seconds");
    // The controller's clock ran this far ahead of real time: its shortened waits. Real time
    // passes here as there, so this is all this clock lacks.
    Clock::Instance().Advance(std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds.value)));
    return "";
}

std::string InstrumentSession::ExecuteMember(const CommandEntry& entry, std::vector<Variant>& args, bool* failed) {
    const sim::DriverMember* member = MemberNamed(entry.member, family_);
    if (member == nullptr) return Fail(failed, kUndefinedHeader, entry.member + " is not a member of this model");
    const sim::FaultConfig& faults = receiver_.Config().faults;
    if (std::any_of(faults.failingMembers.begin(), faults.failingMembers.end(),
                    [&](const std::string& n) { return SameText(n, member->name); }))
        return Fail(failed, kExecutionError, member->name + " failed");
    if (faults.callLatencyMs > 0)
        Clock::Instance().SleepFor(std::chrono::duration_cast<Clock::Duration>(
            std::chrono::duration<double, std::milli>(faults.callLatencyMs)));
    try {
        std::lock_guard<std::mutex> lock(receiver_.Lock());
        sim::MemberCall call{receiver_, family_, args};
        switch (entry.kind) {
            case CallKind::Get: {
                if (!member->get) return Fail(failed, kUndefinedHeader, member->name + " cannot be read");
                Result<std::string> text = ValueText(member->get(call));
                return text ? text.value() : Fail(failed, kExecutionError, text.error().message);
            }
            case CallKind::Put:
                if (!member->put) return Fail(failed, kUndefinedHeader, member->name + " cannot be set");
                if (args.size() != 1) return Fail(failed, kParameterCountError, member->name + " takes one value");
                member->put(call, args[0]);
                return "";
            case CallKind::Call:
                if (!member->method) return Fail(failed, kUndefinedHeader, member->name + " is not a method");
                member->method(call);
                return "";
        }
    } catch (const sim::MemberFailure& failure) {
        return Fail(failed, kExecutionError, failure.why);
    } catch (const std::exception& e) {
        return Fail(failed, kExecutionError, e.what());
    }
    return Fail(failed, kExecutionError, "unknown kind of call");
}

}  // namespace tarvos::wire
