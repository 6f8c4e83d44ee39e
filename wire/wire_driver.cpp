#include "wire/wire_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/automation/variant.h"
#include "platform/number_text.h"
#include "platform/serial_probe.h"
#include "simdriver/service_objects.h"
#include "wire/model_names.h"
#include "wire/value_text.h"

namespace tarvos::wire {

using automation::InvokeKind;
using automation::Variant;
using kvrlib::HResult;

namespace {

// The file name of the table installed beside the module.
constexpr const char* kTableFileName = "kvrdrvwire-commands.txt";
// The environment variable that names another table.
constexpr const char* kTableVariable = "KVR_WIRE_COMMANDS";

// Table entries that belong to the protocol, not to the driver's members.
bool IsProtocolMember(std::string_view name) { return name == "FamilyName" || name == "Wait"; }

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

CallKind KindOf(InvokeKind kind) {
    switch (kind) {
        case InvokeKind::PropertyGet: return CallKind::Get;
        case InvokeKind::PropertyPut: return CallKind::Put;
        case InvokeKind::Method: return CallKind::Call;
    }
    return CallKind::Call;
}

sim::SimEventLog::CallKind LogKind(CallKind kind) {
    switch (kind) {
        case CallKind::Get: return sim::SimEventLog::CallKind::Get;
        case CallKind::Put: return sim::SimEventLog::CallKind::Put;
        case CallKind::Call: return sim::SimEventLog::CallKind::Method;
    }
    return sim::SimEventLog::CallKind::Method;
}

std::string ArgumentsText(const std::vector<Variant>& args) {
    std::string text;
    for (const Variant& a : args) {
        const auto t = a.ToUtf8();
        text += (text.empty() ? "" : ";") + (t.ok() ? t.value : std::string(automation::VarTypeName(a.Type())));
    }
    return text;
}

// A device that is missing may be on its way back (a USB adapter plugged in again, an instrument
// restarting behind a link): it gets the time a silent instrument would get to answer.
void WaitForDevice(const std::string& device, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::error_code ignored;
    while (!std::filesystem::exists(device, ignored) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}


}  // namespace

Result<CommandTable> LoadDriverTable() {
    if (const char* named = std::getenv(kTableVariable); named != nullptr && *named != '\0')
        return CommandTable::Load(named);
    const std::filesystem::path module = automation::ModuleFileOf(reinterpret_cast<const void*>(&LoadDriverTable));
    const std::filesystem::path beside = module.parent_path() / kTableFileName;
    std::error_code ignored;
    if (!module.empty() && std::filesystem::exists(beside, ignored)) return CommandTable::Load(beside);
    return CommandTable::BuiltIn();
}

WireDriver::WireDriver(const sim::FamilyInfo& family)
    : family_(family), tree_(std::make_shared<sim::SettingsTree>(sim::InterfaceConfig{})) {
    // Names are looked up before the first connection; a table that does not load then is
    // reported when the driver goes on line.
    if (Result<CommandTable> table = LoadDriverTable(); table) table_ = std::move(table).value();
}

WireDriver::~WireDriver() = default;

HResult WireDriver::GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept {
    if (id == nullptr) return HResult::Pointer;
    try {
        const std::string text = automation::Utf16ToUtf8(name);
        std::lock_guard<std::mutex> lock(mutex_);
        if (IsProtocolMember(text) || !table_.Knows(text)) return HResult::UnknownName;
        auto it = std::find_if(names_.begin(), names_.end(), [&](const std::string& n) { return SameText(n, text); });
        if (it == names_.end()) it = names_.insert(names_.end(), text);
        *id = static_cast<automation::DispId>(it - names_.begin() + 1);
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

HResult WireDriver::Invoke(automation::DispId id, InvokeKind kind, std::vector<Variant>& args, Variant* result) noexcept {
    try {
        std::string member;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return HResult::MemberNotFound;
            member = names_[static_cast<std::size_t>(id) - 1];
            // A member the table has, but not for this kind of call.
            if (table_.Find(member, KindOf(kind)) == nullptr) return HResult::MemberNotFound;
        }
        if (kind == InvokeKind::PropertyPut && args.size() != 1) return HResult::BadParamCount;
        Result<Variant> value = Call(member, KindOf(kind), args);
        sim::Events().Record(family_.className, LogKind(KindOf(kind)), member, ArgumentsText(args), !value.ok());
        if (!value) return HResult::Exception;
        if (result != nullptr) *result = std::move(value).value();
        return HResult::Ok;
    } catch (...) {
        return HResult::Exception;
    }
}

Result<Variant> WireDriver::Call(const std::string& member, CallKind kind, const std::vector<Variant>& args) {
    std::lock_guard<std::mutex> lock(mutex_);
    const CommandEntry* entry = table_.Find(member, kind);
    if (entry == nullptr) return Error{member + " has no " + CallKindName(kind) + " command"};
    if (!online_) return Error{"not connected"};
    // A line the instrument closed since the last call (a pulled cable, a restarted instrument)
    // is opened again before the command goes out, instead of failing the command.
    if (line_ && !line_->Discard().ok()) line_.reset();
    if (!line_) {
        if (Status reopened = Connect(); !reopened.ok()) {
            Report("the instrument cannot be reached again: " + reopened.error().message);
            return reopened.error();
        }
    }
    if (Status followed = FollowClock(); !followed.ok()) return followed.error();
    Result<Variant> value = Transact(*entry, args);
    if (value) reported_ = false;
    return value;
}

Status WireDriver::FollowClock() {
    const Clock::Duration clock = Clock::Instance().Now();
    const auto real = std::chrono::steady_clock::now();
    if (!clockKnown_) {
        clockKnown_ = true;
        clockAt_ = clock;
        realAt_ = real;
        return {};
    }
    // Less than this is the jitter of reading two clocks; it stays owed until it adds up.
    const Clock::Duration gained = (clock - clockAt_) - (real - realAt_);
    if (gained < std::chrono::milliseconds(1)) return {};
    clockAt_ = clock;
    realAt_ = real;
    const CommandEntry* wait = table_.Find("Wait", CallKind::Call);
    if (wait == nullptr) return {};
    // The instrument takes a day at most at once; a clock that lags beyond that harms nothing.
    const double seconds = std::min(std::chrono::duration<double>(gained).count(), 86400.0);
    Result<Variant> told = Transact(*wait, {Variant::Double(seconds)});
    if (!told) return told.error();
    return {};
}

Result<Variant> WireDriver::Transact(const CommandEntry& entry, const std::vector<Variant>& args) {
    std::vector<std::string> texts;
    for (const Variant& a : args) {
        Result<std::string> text = ValueText(a);
        if (!text) return text.error();
        texts.push_back(std::move(text).value());
    }
    Result<std::string> command = ExpandCommand(entry.command, texts);
    if (!command) return command.error();
    if (Status sent = line_->Send(command.value(), table_.ReplyTimeout()); !sent.ok()) {
        line_.reset();
        Report("the line failed: " + sent.error().message);
        return sent.error();
    }
    if (!ExpectsReply(entry.command)) return Variant();
    Result<std::string> reply = line_->Receive(table_.ReplyTimeout());
    if (!reply) {
        // A reply may still come late, or the instrument is gone: either way the line is opened
        // afresh for the next call.
        line_.reset();
        Report(entry.member + ": " + reply.error().message);
        return reply.error();
    }
    if (!IsCleanLine(reply.value())) return Error{entry.member + ": the reply was damaged on the line"};
    if (reply.value().rfind(kErrorReply, 0) == 0) return Error{entry.member + ": the instrument answered " + reply.value()};
    const std::vector<std::string> fields = SplitOutsideQuotes(reply.value(), ';');
    return ParseReply(fields.front(), entry.type);
}

Result<std::unique_ptr<Line>> WireDriver::OpenLine() const {
    std::map<std::string, std::string> v;
    {
        // A copy: the line is opened (and a missing device waited for) without holding the tree.
        std::lock_guard<std::mutex> lock(tree_->mutex);
        v = tree_->values;
    }
    const std::string method = v["General.Remote Control"];
    const auto timeout = table_.ReplyTimeout();
    if (method == "RS232") {
        const std::string port = v["General.RS232/Comm Port"];
        const int number = port.rfind("COM", 0) == 0 ? ParseLeadingInt(port.substr(3)) : 0;
        const std::optional<std::string> device = SerialDeviceOf(number);
        if (!device) return Error{"no serial device is behind " + port};
        WaitForDevice(*device, timeout);
        SerialSettings s;
        s.device = *device;
        s.baudRate = ParseLeadingInt(v["General.RS232/Baud Rate"]);
        s.dataBits = ParseLeadingInt(v["General.RS232/Data Bits"]);
        const std::string parity = v["General.RS232/Parity"];
        s.parity = parity.empty() ? 'N' : parity[0];
        s.stopBits = ParseLeadingInt(v["General.RS232/Stop Bits"]);
        s.handshake = v["General.RS232/Handshaking"];
        return OpenSerialLine(s);
    }
    if (method == "TCP/IP")
        return OpenTcpLine(v["General.TCP/IP/Remote Host"], ParseLeadingInt(v["General.TCP/IP/Remote Port"]), timeout);
    if (method == "GPIB")
        return OpenGpibLine(ParseLeadingInt(v["General.GPIB/Board"]), ParseLeadingInt(v["General.GPIB/Primary Address"]),
                            timeout);
    return Error{"this driver reaches its instrument by RS232, GPIB or TCP/IP, not by " + method};
}

// Opens the line, names the family and asks the instrument who it is: an instrument that does
// not answer that (wrong line settings, switched off, hung) is not connected.
Status WireDriver::Connect() {
    line_.reset();
    // A new line may lead to a new instrument, whose clock knows nothing of this one.
    clockKnown_ = false;
    Result<std::unique_ptr<Line>> line = OpenLine();
    if (!line) return line.error();
    line_ = std::move(line).value();
    const std::string model = familyName_.empty() ? ModelOfFamily(family_.family) : automation::Utf16ToUtf8(familyName_);
    if (const CommandEntry* family = table_.Find("FamilyName", CallKind::Put)) {
        Result<Variant> named = Transact(*family, {Variant::Utf8(model)});
        if (!named) {
            line_.reset();
            return Error{"the instrument did not take the model " + model + ": " + named.error().message};
        }
    }
    const CommandEntry* identity = table_.Find("Identity", CallKind::Get);
    if (identity == nullptr) return Error{"the command table has no Identity command"};
    Result<Variant> answer = Transact(*identity, {});
    if (!answer) {
        line_.reset();
        return Error{"the instrument does not answer: " + answer.error().message};
    }
    return {};
}

void WireDriver::Report(const std::string& what) {
    // Once per failure: a line that stays down must not fill the terminal with every call.
    if (reported_) return;
    reported_ = true;
    std::fprintf(stderr, "kvrdrvwire: %s\n", what.c_str());
}

HResult WireDriver::PutOnLine(bool online) noexcept {
    try {
        if (!online) {
            std::lock_guard<std::mutex> lock(mutex_);
            online_ = false;
            line_.reset();
            return HResult::Ok;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Result<CommandTable> table = LoadDriverTable();
            if (!table) {
                std::fprintf(stderr, "kvrdrvwire: %s\n", table.error().message.c_str());
                online_ = false;
                line_.reset();
                return HResult::Exception;
            }
            table_ = std::move(table).value();
            // The reason is told once, below, not also by the command that failed.
            reported_ = true;
            if (Status connected = Connect(); !connected.ok()) {
                std::fprintf(stderr, "kvrdrvwire: cannot connect: %s\n", connected.error().message.c_str());
                online_ = false;
                return HResult::Exception;
            }
            online_ = true;
            reported_ = false;
        }
        return HResult::Ok;
    } catch (...) {
        return HResult::Exception;
    }
}

HResult WireDriver::GetOnLine(bool* online) noexcept {
    if (online == nullptr) return HResult::Pointer;
    std::lock_guard<std::mutex> lock(mutex_);
    *online = online_;
    return HResult::Ok;
}

HResult WireDriver::GetSettingsRoot(kvrlib::SettingsNode** root) noexcept {
    if (root == nullptr) return HResult::Pointer;
    try {
        *root = new sim::SimSettingsNode(tree_, "");
        return HResult::Ok;
    } catch (...) {
        *root = nullptr;
        return HResult::OutOfMemory;
    }
}

HResult WireDriver::PutFamilyName(const std::u16string& name) noexcept {
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        familyName_ = name;
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}


}  // namespace tarvos::wire
