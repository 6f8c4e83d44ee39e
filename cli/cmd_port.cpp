// tarvos port: creates one KVRPort object by its ProgID, initialises it, performs the calls in
// order through late-bound invoke by dispatch id, and releases it; --list prints its members.
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/number_option.h"
#include "cli/port_call.h"
#include "cli/program_output.h"
#include "platform/automation/class_registry.h"
#include "platform/clock.h"

namespace tarvos::cli {

using automation::ComPtr;
using automation::IDispatch;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::Variant;

namespace {

constexpr const char* kProgId = "KvrLib.KVRPort";

std::string Hex(automation::DispId id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(id));
    return text;
}

std::string MemberLine(const MemberInfo& m) {
    std::string line = Hex(m.id) + " " + m.name + " " + automation::AccessName(m.access) + " ";
    if (m.access == automation::Access::Put) line += m.PutType();
    else if (!m.putType.empty() && m.putType != m.type) line += m.type + "/" + m.putType;
    else line += m.type;
    for (const automation::ParamInfo& p : m.params) line += " " + p.name + ":" + p.type + (p.byRef ? "&" : "");
    return line + "\n";
}

// "enum Name value=number ...": the numbers the members' enumeration arguments take.
std::string EnumLine(const automation::EnumInfo& e) {
    std::string line = "enum " + e.name;
    for (const auto& [name, value] : e.values) line += " " + name + "=" + std::to_string(value);
    return line + "\n";
}

std::string ListText(IDispatch& port) {
    const automation::TypeInfo* info = port.GetTypeInfo();
    if (info == nullptr) return {};
    std::string text;
    for (const MemberInfo& m : info->Members()) text += MemberLine(m);
    for (const automation::EnumInfo& e : info->Enums()) text += EnumLine(e);
    return text;
}

// How a plain "Name" is invoked: a get where the member has one, else a method.
InvokeKind KindOf(const PortCall& call, const MemberInfo& m) {
    if (call.form == PortCall::Form::Put) return InvokeKind::PropertyPut;
    const bool gettable = m.access == automation::Access::Get || m.access == automation::Access::GetPut;
    return gettable ? InvokeKind::PropertyGet : InvokeKind::Method;
}

// "sleep(SECONDS)" lets time pass on the program's clock between calls (scaled by --time-scale),
// as a BER count or an acquisition needs.
Status Sleep(const PortCall& call) {
    const auto seconds = call.values.size() == 1 ? call.values[0].ToReal() : automation::Converted<double>{};
    if (call.values.size() != 1 || !seconds.ok() || !(seconds.value >= 0) || seconds.value > 86400)
        return Error{"sleep takes one number of seconds (0 to 86400)"};
    Clock::Instance().SleepFor(std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(seconds.value)));
    return {};
}

Status Perform(IDispatch& port, const std::string& text, std::string& out) {
    Result<PortCall> call = ParsePortCall(text);
    if (!call) return call.error();
    if (call.value().name == "sleep" && call.value().form == PortCall::Form::Arguments) return Sleep(call.value());
    const automation::TypeInfo* info = port.GetTypeInfo();
    const MemberInfo* m = info != nullptr ? info->FindByName(call.value().name) : nullptr;
    if (m == nullptr) return Error{"KVRPort has no member \"" + call.value().name + "\""};
    const InvokeKind kind = KindOf(call.value(), *m);
    std::vector<Variant> args = std::move(call.value().values);
    Variant result;
    const automation::HResult hr = port.Invoke(m->id, kind, args, &result);
    if (automation::Failed(hr)) return Error{text + ": " + automation::HResultMessage(hr)};
    if (kind != InvokeKind::PropertyPut && !result.IsEmpty()) out += m->name + " = " + PortValueText(result) + "\n";
    return {};
}

}  // namespace

CLI::App* AddPortCommand(CLI::App& app, PortArgs& args) {
    CLI::App* cmd = app.add_subcommand("port", "Call members of a KVRPort object of the instrument library");
    cmd->footer(
        "CALL: Name (property get, or a method without arguments), Name=VALUE (property put),\n"
        "Name(ARG,...) (method, or a get with arguments). VALUE and ARG: a number, true or false,\n"
        "or a string in double quotes. Each call that yields a value prints \"Name = VALUE\".\n"
        "sleep(SECONDS) lets time pass between calls (a BER count, an acquisition).\n"
        "--list prints the members: 0xDISPID Name access type [parameter:Type ...],\n"
        "then the enumerations: enum Name value=number ....");
    cmd->add_option("--settings", args.settings, "Settings file (accepted as by every command)")->type_name("FILE");
    cmd->add_option("--time-scale", args.timeScale, "Waits take this many times their length (0: instant)")
        ->type_name("X");
    cmd->add_flag("--list", args.list, "Print the members and enumerations of KVRPort and exit");
    cmd->add_option("calls", args.calls, "Calls to perform in order")->type_name("CALL");
    return cmd;
}

int RunPort(const PortArgs& args) {
    if (args.timeScale) {
        Result<double> scale = ParseDoubleOption("--time-scale", *args.timeScale);
        if (!scale) return ReportFailure(scale.error());
        if (scale.value() < 0) return ReportFailure("--time-scale must not be negative");
        Clock::Instance().SetRealTime(scale.value());
    }
    if (!args.list && args.calls.empty()) return ReportFailure("port: name at least one CALL, or --list");
    automation::CoInitialize();
    automation::HResult hr = automation::HResult::Ok;
    ComPtr<IDispatch> port = automation::CreateObject(kProgId, &hr);
    if (!port) return ReportFailure(std::string("cannot create ") + kProgId + ": " + automation::HResultMessage(hr));
    if (args.list) return FinishWithOutput(ListText(*port));
    std::string out;
    std::vector<Variant> none;
    if (automation::Failed(automation::InvokeByName(*port, "Initialize", InvokeKind::Method, none, nullptr)))
        return ReportFailure("Initialize could not be called");
    for (const std::string& text : args.calls) {
        if (Status done = Perform(*port, text, out); !done.ok()) {
            // What the earlier calls printed still goes out; the failing call decides the status.
            if (Status written = WriteStdout(out); !written.ok()) ReportFailure(written.error());
            return ReportFailure(done.error());
        }
    }
    return FinishWithOutput(out);
}

}  // namespace tarvos::cli
