// Driver selection, initialisation, connection and identity: SelectDriver, Initialize, OnLine,
// the identity strings, SystemMode and AvailableOptions.
#include <filesystem>
#include <optional>
#include <string>

#include "kvrlib/kvrport.h"
#include "kvrlib/service_objects.h"
#include "platform/automation/class_registry.h"
#include "platform/user_folders.h"

namespace tarvos::kvrlib {

using automation::InvokeKind;
using automation::Variant;

namespace {

constexpr std::int16_t kEmpty = -1;  // a cell of the mode table that a family does not write

struct Family {
    std::int32_t kind;
    Guid clsid;
    const char16_t* name;
    ModeTable modes;
};

// Columns of the mode table per driver family, entries in ModeEntry order.
const Family kFamilies[] = {
    {driverQAM, kQamDriverClsid, u"KVR T1/T3",
     {kEmpty, 0, 2, 1, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty}},
    {driverDVBT, kDvbtDriverClsid, u"KVR W1/W3",
     {18, 0, 1, kEmpty, 13, 19, 12, 10, 6, 7, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, 2, 14}},
    {driverATSC, kAtscDriverClsid, u"KVR X1/X3",
     {1, 0, 4, kEmpty, 2, 19, 10, 3, 7, 8, 11, 12, 16, 17, 18, kEmpty, kEmpty}},
    {driverJ83AC, kJ83AcDriverClsid, u"KVR Y1/Y3",
     {15, 0, 1, kEmpty, 9, 19, 8, 3, 5, 6, 10, 11, 16, 17, 18, kEmpty, kEmpty}},
    {driverJ83B, kJ83bDriverClsid, u"KVR Z1/Z3",
     {15, 0, 1, kEmpty, 9, 19, 8, 3, 5, 6, 10, 11, 16, 17, 18, kEmpty, kEmpty}},
};

const Family* FamilyOf(std::int32_t kind) {
    for (const Family& f : kFamilies)
        if (f.kind == kind) return &f;
    return nullptr;
}

Variant SelectDriver(KVRPort& port, std::vector<Variant>& args, Frame& frame) {
    const std::int32_t kind = args[0].AsInt32();
    frame.Step([&] { port.driverKind = kind; });
    frame.Step([&] { port.driverObject = Variant(); });
    const Family* family = FamilyOf(kind);
    if (family != nullptr) {
        frame.Step([&] {
            automation::ComPtr<automation::IUnknown> driver;
            Check(automation::ClassRegistry::Instance().CreateInstance(family->clsid, automation::IUnknown::kIid,
                                                                     driver.PutVoid()));
            port.driverObject = Variant::Object(driver);
        });
        frame.Step([&] {
            for (int e = 0; e < kModeEntryCount; ++e)
                if (family->modes[e] != kEmpty) port.modeTable[e] = family->modes[e];
        });
    }
    // Without a driver object the query fails and the earlier DriverControl stays in place.
    frame.Step([&] {
        const Variant& object = port.driverObject;
        if (object.Type() != automation::VarType::Object || !object.AsObject()) FailStep(HResult::Pointer);
        auto control = object.AsObject().As<DriverControl>();
        if (!control) FailStep(HResult::NoInterface);
        port.driverControl = control;
    });
    return {};
}

// The folder of the library file: where its log folder lies.
std::filesystem::path LibraryFolder() {
    static const int anchor = 0;
    return std::filesystem::path(automation::ModuleFileOf(&anchor)).parent_path();
}

bool MatchesEventPattern(const std::string& name) {
    // "EVENT*.CSV", matched without regard to letter case as the file system of the drivers does.
    auto upper = [](std::string s) {
        for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        return s;
    };
    const std::string u = upper(name);
    return u.size() >= 9 && u.rfind("EVENT", 0) == 0 && u.compare(u.size() - 4, 4, ".CSV") == 0;
}

void DeleteEventFiles(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file(error) || !MatchesEventPattern(it->path().filename().string())) continue;
        // The first file that cannot be deleted ends the clean-up; the rest stay.
        if (!std::filesystem::remove(it->path(), error) || error) return;
    }
}

// "Logs" beside the library; where an installed library's user cannot write there, the user's
// own state folder takes its place.
std::filesystem::path LogFolder() {
    const std::optional<std::filesystem::path> state = UserStateFolder();
    return WritableFolderOr(LibraryFolder() / "Logs",
                            state ? std::optional(*state / "kvr-tarvos" / "Logs") : std::nullopt);
}

Variant Initialize(KVRPort&, std::vector<Variant>&, Frame& frame) {
    std::filesystem::path logs = LibraryFolder() / "Logs";
    frame.Step([&] { logs = LogFolder(); });
    frame.Step([&] { Check(Options().PutOptionFlag(true)); });
    const std::u16string logsText = automation::Utf8ToUtf16(logs.string());
    frame.Step([&] { Check(Events().PutLogDirectory(logsText)); });
    frame.Step([&] { Check(Events().PutFilterFile(automation::Utf8ToUtf16((logs / "filter.txt").string()))); });
    frame.Step([&] { Check(Events().PutLogMode(1)); });
    const std::pair<int, bool> switches[] = {{1, false}, {4, true}, {5, true}, {2, false}, {6, true}, {3, false}};
    for (const auto& sw : switches) frame.Step([&] { Check(Events().SetSwitch(sw.first, sw.second)); });
    frame.Step([&] {
        std::u16string folder;
        Check(Events().GetLogDirectory(&folder));
        DeleteEventFiles(automation::Utf16ToUtf8(folder));
    });
    return {};
}

void PutOnLine(KVRPort& port, const Variant& value, Frame& frame) {
    auto control = [&]() -> DriverControl& {
        if (!port.driverControl) FailStep(HResult::Pointer);
        return *port.driverControl;
    };
    if (value.AsBool()) {
        if (const Family* family = FamilyOf(port.driverKind))
            frame.Step([&] { Check(control().PutFamilyName(family->name)); });
        frame.Step([&] { Check(Operations().Arm()); });
        frame.Step([&] { Check(control().PutOnLine(true)); });
    } else {
        frame.Step([&] {
            bool online = false;
            Check(control().GetOnLine(&online));
            if (online) Check(control().PutOnLine(false));
        });
    }
}

Variant GetOnLine(KVRPort& port, std::vector<Variant>&) {
    if (!port.driverControl) FailStep(HResult::Pointer);
    bool online = false;
    Check(port.driverControl->GetOnLine(&online));
    return Variant::Bool(online);
}

// "KVR-G1," anywhere, or a first "KVR-G1" that ends the text.
bool HasOptionG1(const std::u16string& hardware) {
    if (hardware.find(u"KVR-G1,") != std::u16string::npos) return true;
    const std::size_t first = hardware.find(u"KVR-G1");
    return first != std::u16string::npos && hardware.size() == first + 6;
}

Variant GetSystemMode(KVRPort& port, std::vector<Variant>&) {
    const std::int32_t m = LongOf(port.Driver().Get("Mode"));
    std::int32_t mode = ((m >= 4 && m <= 8) || (m >= 13 && m <= 14)) ? m : 0;
    if (mode == 7) {
        const Variant hardware = port.Own(kvrport::kInstalledHardware, InvokeKind::PropertyGet);
        if (hardware.Type() == automation::VarType::String && HasOptionG1(hardware.AsString())) mode = 5;
    }
    return Variant::Int32(mode);
}

Variant GetAvailableOptions(KVRPort& port, std::vector<Variant>&) {
    const std::u16string h = StringOf(port.Driver().Get("InstalledHardware"));
    auto has = [&](const char16_t* code) { return h.find(code) != std::u16string::npos; };
    std::u16string list = u"IF,";
    if (has(u"Demodulator") || has(u"RB")) {
        list += has(u"EAMOD") ? u"Receiver," : u"Demodulator,";
        if (has(u"KVR-G3")) list += u"RF_50,RF_75,";
    } else {
        list += u"Receiver,";
    }
    if (HasOptionG1(h)) list += u"QAM,QAMA,";
    if (has(u"KVR-G7")) list += u"DVBT,";
    if (has(u"KVR-L3")) list += u"J83A,J83C,";
    if (has(u"KVR-L4")) list += u"ATSC,";
    if (has(u"KVR-L5")) list += u"J83B,";
    list.pop_back();
    return Variant::String(list);
}

MemberHandlers Forward(const char* driverMember) {
    MemberHandlers h;
    h.get = [driverMember](KVRPort& port, std::vector<Variant>&) { return port.Driver().Get(driverMember); };
    return h;
}

}  // namespace

void AddSelectionMembers(HandlerTable& t) {
    t[kvrport::kSelectDriver].method = SelectDriver;
    t[kvrport::kInitialize].method = Initialize;
    t[kvrport::kOnLine].put = PutOnLine;
    t[kvrport::kOnLine].get = GetOnLine;
    for (const char* name : {"Identity", "Manufacturer", "ModelNumber", "SerialNumber", "FirmwareVersion",
                             "InstalledHardware"}) {
        t[KvrPortTypeInfo().FindByName(name)->id] = Forward(name);
    }
    t[kvrport::kSystemTime] = Forward("SetupTime");
    t[kvrport::kSystemDate] = Forward("SetupDate");
    t[kvrport::kSystemMode].get = GetSystemMode;
    t[kvrport::kSystemMode].put = [](KVRPort& port, const Variant& v, Frame& frame) {
        frame.Step([&] { port.Driver().Put("Mode", v); });
    };
    t[kvrport::kAvailableOptions].get = GetAvailableOptions;
}

}  // namespace tarvos::kvrlib
