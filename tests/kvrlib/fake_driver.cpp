#include "tests/kvrlib/fake_driver.h"

#include <functional>
#include <mutex>

#include "platform/automation/class_registry.h"

namespace tarvos::kvrlib::testing {

using automation::InvokeKind;

namespace {

std::string Text(const Variant& v) {
    const auto text = v.ToUtf8();
    return text.ok() ? text.value : "<" + std::string(automation::VarTypeName(v.Type())) + ">";
}

std::string Utf8(std::u16string_view text) { return automation::Utf16ToUtf8(text); }

// Logs the call and answers Exception when its key is marked failing.
HResult Note(const std::string& key, std::string entry) {
    Fakes().calls.push_back(std::move(entry));
    return Fakes().failing.count(key) ? HResult::Exception : HResult::Ok;
}

class FakeSettingsNode final : public FakeObject<SettingsNode> {
public:
    explicit FakeSettingsNode(std::string path) : path_(std::move(path)) {}

    HResult Child(const Variant& name, SettingsNode** out) noexcept override {
        *out = nullptr;
        if (name.Type() != automation::VarType::String) return HResult::TypeMismatch;
        const std::string child = path_.empty() ? Utf8(name.AsString()) : path_ + "/" + Utf8(name.AsString());
        if (!Fakes().settingsNodes.count(child)) return HResult::InvalidArg;
        *out = new FakeSettingsNode(child);
        return HResult::Ok;
    }
    HResult GetPermittedValues(std::u16string* out) noexcept override {
        *out = Fakes().permitted[path_];
        return HResult::Ok;
    }
    HResult SetValue(const Variant& value, const Variant& a, const Variant& b) noexcept override {
        // Both extra arguments must say "no index": anything else addresses another cell.
        if (!(a == Variant::Int32(-1)) || !(b == Variant::Int32(-1))) return HResult::InvalidArg;
        return Note("SetValue " + path_,
                    "SetValue " + path_ + " = " + automation::VarTypeName(value.Type()) + " " + Text(value));
    }

private:
    std::string path_;
};

// One object serves all three service classes, as KvrLib keeps them for the whole process.
class FakeServices final : public FakeObject<OperationControl, EventLog, DriverOptions> {
public:
    HResult Resume() noexcept override { return Note("Resume", "Resume"); }
    HResult Pause() noexcept override { return Note("Pause", "Pause"); }
    HResult Abort() noexcept override { return Note("Abort", "Abort"); }
    HResult Arm() noexcept override { return Note("Arm", "Arm"); }
    HResult Wait(float* seconds) noexcept override { return Note("Wait", "Wait " + std::to_string(*seconds)); }
    HResult PutLogMode(std::int32_t mode) noexcept override {
        return Note("PutLogMode", "PutLogMode " + std::to_string(mode));
    }
    HResult SetSwitch(std::int32_t number, bool on) noexcept override {
        return Note("SetSwitch", "SetSwitch " + std::to_string(number) + (on ? " true" : " false"));
    }
    HResult PutFilterFile(const std::u16string& path) noexcept override {
        return Note("PutFilterFile", "PutFilterFile " + Utf8(path));
    }
    HResult GetLogDirectory(std::u16string* path) noexcept override {
        *path = Fakes().logDirectory;
        return Note("GetLogDirectory", "GetLogDirectory");
    }
    HResult PutLogDirectory(const std::u16string& path) noexcept override {
        return Note("PutLogDirectory", "PutLogDirectory " + Utf8(path));
    }
    HResult PutOptionFlag(bool flag) noexcept override {
        return Note("PutOptionFlag", flag ? "PutOptionFlag true" : "PutOptionFlag false");
    }
};

class FakeFactory final : public FakeObject<automation::IClassFactory> {
public:
    explicit FakeFactory(std::function<ComPtr<automation::IUnknown>()> make) : make_(std::move(make)) {}
    HResult CreateInstance(const Guid& iid, void** out) noexcept override {
        *out = nullptr;
        const ComPtr<automation::IUnknown> object = make_();
        return object ? object->QueryInterface(iid, out) : HResult::ClassNotAvailable;
    }
    HResult LockServer(bool) noexcept override { return HResult::Ok; }

private:
    std::function<ComPtr<automation::IUnknown>()> make_;
};

}  // namespace

FakeState& Fakes() {
    static FakeState state;
    return state;
}

void ResetFakes() {
    Fakes() = FakeState{};
    for (const char* path :
         {"General.Remote Control", "General.RS232", "General.RS232/Comm Port", "General.RS232/Baud Rate",
          "General.RS232/Data Bits", "General.RS232/Parity", "General.RS232/Stop Bits", "General.RS232/Handshaking",
          "General.GPIB", "General.GPIB/Board", "General.GPIB/Primary Address", "General.TCP/IP",
          "General.TCP/IP/Remote Host", "General.TCP/IP/Remote Port", "General.GUI", "General.GUI/Show Commands",
          "General.GUI/InputBox X Position", "General.GUI/InputBox Y Position"})
        Fakes().settingsNodes.insert(path);
    LastDriver() = nullptr;
}

ComPtr<FakeDriver>& LastDriver() {
    static ComPtr<FakeDriver> driver;
    return driver;
}

void RegisterFakeClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        auto& registry = automation::ClassRegistry::Instance();
        for (const Guid& clsid :
             {kQamDriverClsid, kDvbtDriverClsid, kAtscDriverClsid, kJ83AcDriverClsid, kJ83bDriverClsid}) {
            auto make = [clsid]() -> ComPtr<automation::IUnknown> {
                if (Fakes().failing.count("Create")) return nullptr;
                LastDriver() = ComPtr<FakeDriver>::Adopt(new FakeDriver(clsid));
                return ComPtr<automation::IUnknown>::Share(static_cast<automation::IDispatch*>(LastDriver().get()));
            };
            registry.RegisterClassObject(clsid, ComPtr<automation::IClassFactory>::Adopt(new FakeFactory(make)));
        }
        static const ComPtr<FakeServices> services = ComPtr<FakeServices>::Adopt(new FakeServices);
        for (const Guid& clsid : {kOperationControlClsid, kEventLogClsid, kDriverOptionsClsid}) {
            auto make = [] {
                return ComPtr<automation::IUnknown>::Share(static_cast<OperationControl*>(services.get()));
            };
            registry.RegisterClassObject(clsid, ComPtr<automation::IClassFactory>::Adopt(new FakeFactory(make)));
        }
    });
}

HResult FakeDriver::GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept {
    const std::string text = Utf8(name);
    std::size_t i = 0;
    while (i < names_.size() && names_[i] != text) ++i;
    if (i == names_.size()) names_.push_back(text);
    *id = static_cast<automation::DispId>(i + 1);
    return HResult::Ok;
}

HResult FakeDriver::Invoke(automation::DispId id, InvokeKind kind, std::vector<Variant>& args,
                           Variant* result) noexcept {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return HResult::MemberNotFound;
    const std::string& name = names_[static_cast<std::size_t>(id) - 1];
    std::string argumentText;
    for (const Variant& a : args) argumentText += (argumentText.empty() ? "" : ",") + Text(a);
    const std::string key = args.empty() || kind == InvokeKind::PropertyPut ? name : name + "(" + argumentText + ")";
    switch (kind) {
        case InvokeKind::PropertyGet: {
            if (Failed(Note(name, "Get " + key))) return HResult::Exception;
            auto& queued = sequences[key];
            Variant value = properties[key];
            if (!queued.empty()) {
                value = queued.front();
                if (queued.size() > 1) queued.erase(queued.begin());  // the last value stays
            }
            if (result != nullptr) *result = value;
            return HResult::Ok;
        }
        case InvokeKind::PropertyPut:
            if (args.size() != 1) return HResult::BadParamCount;
            if (Failed(Note(name, "Put " + name + "=" + Text(args[0])))) return HResult::Exception;
            properties[name] = args[0];
            return HResult::Ok;
        case InvokeKind::Method: {
            if (Failed(Note(name, "Call " + key))) return HResult::Exception;
            const auto method = methods.find(name);
            if (method != methods.end() && result != nullptr) *result = method->second(args);
            else if (method != methods.end()) method->second(args);
            return HResult::Ok;
        }
    }
    return HResult::MemberNotFound;
}

HResult FakeDriver::PutOnLine(bool value) noexcept {
    if (Failed(Note("PutOnLine", value ? "PutOnLine true" : "PutOnLine false"))) return HResult::Exception;
    online = value;
    return HResult::Ok;
}

HResult FakeDriver::GetOnLine(bool* value) noexcept {
    *value = online;
    return Note("GetOnLine", "GetOnLine");
}

HResult FakeDriver::GetSettingsRoot(SettingsNode** root) noexcept {
    *root = nullptr;
    if (Failed(Note("GetSettingsRoot", "GetSettingsRoot"))) return HResult::Exception;
    *root = new FakeSettingsNode("");
    return HResult::Ok;
}

HResult FakeDriver::PutFamilyName(const std::u16string& name) noexcept {
    return Note("PutFamilyName", "PutFamilyName " + Utf8(name));
}

}  // namespace tarvos::kvrlib::testing
