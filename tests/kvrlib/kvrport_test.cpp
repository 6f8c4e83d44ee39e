#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/kvrlib/kvrport_fixture.h"
#include "tests/support/temp_dir.h"

namespace tarvos::kvrlib {
namespace {

Variant ExpectedFailure(const automation::MemberInfo& member) {
    static const std::set<std::string> falseValued = {
        "OnLine", "MeasureAttenuationAuto", "MeasureCarrierLoopOutOfLock", "MeasureMpegTsUnSync",
        "ReferenceLocked", "StateSignal", "Hardcopy"};
    static const std::set<std::string> minusOne = {
        "MeasureBERBeforeVit", "MeasureBERBeforeRS", "MeasureBERAfterRS", "MeasureFrameSync", "MeasureAttenuation",
        "MeasureAttenuation_Demod", "MeasureAttenuationValue_Demod", "MeasureAttenuationMode_Receiver",
        "MeasureOfdmCarrierSuppression", "MeasureOfdmIqQuadError", "MeasureOfdmIqAmplImbalance"};
    static const std::set<std::string> emptyText = {
        "Identity", "Manufacturer", "ModelNumber", "SerialNumber", "FirmwareVersion", "InstalledHardware",
        "SystemTime", "SystemDate", "PcxWithHeader"};
    const std::string& name = member.name;
    const std::string& type = member.type;
    if (name.starts_with("Settings") || falseValued.count(name)) return Variant::Bool(false);
    if (emptyText.count(name) || name.ends_with("Pcx")) return Variant::String(u"");
    if (name == "AvailableOptions") return Variant::String(u"Error");
    if (name == "Prefix" || name == "Postfix") return Variant::Int16(0);
    const int value = minusOne.count(name) ? -1 : 0;
    if (type == "double") return Variant::Double(value);
    if (type == "Integer") return Variant::Int16(static_cast<std::int16_t>(value));
    EXPECT_TRUE(type == "Long" || type == "enum") << name << " has no numeric failure value";
    return Variant::Int32(value);
}

TEST_F(KvrPortTest, EveryMemberAnswersItsFailureValueWithoutDriver) {
    const auto& members = KvrPortTypeInfo().Members();
    ASSERT_EQ(members.size(), static_cast<std::size_t>(kvrport::kMemberCount));
    for (const automation::MemberInfo& member : members) {
        SCOPED_TRACE(member.name);
        const std::vector<Variant> args(member.params.size(), Variant::Int16(1));
        for (const InvokeKind kind : {InvokeKind::PropertyGet, InvokeKind::Method}) {
            if (!member.Allows(kind) || member.type == "none") continue;
            Variant result = Variant::Int32(12345);
            EXPECT_EQ(Invoke(member.id, kind, args, &result), HResult::Ok);
            const Variant expected = ExpectedFailure(member);
            EXPECT_EQ(result, expected);
        }
        if (member.Allows(InvokeKind::PropertyPut)) {
            EXPECT_EQ(Invoke(member.id, InvokeKind::PropertyPut, {Variant::Int32(0)}), HResult::Ok);
        }
    }
}

TEST(KvrPortMembers, EveryMemberHasItsBehaviourForEveryAccess) {
    for (const automation::MemberInfo& member : KvrPortTypeInfo().Members()) {
        const MemberHandlers* h = FindHandlers(member.id);
        ASSERT_NE(h, nullptr) << member.name;
        EXPECT_TRUE(!member.Allows(InvokeKind::PropertyGet) || h->get) << member.name;
        EXPECT_TRUE(!member.Allows(InvokeKind::PropertyPut) || h->put) << member.name;
        EXPECT_TRUE(!member.Allows(InvokeKind::Method) || h->method) << member.name;
    }
}

TEST_F(KvrPortTest, UnusableCallsFailBeforeTheMemberRuns) {
    using enum InvokeKind;
    EXPECT_EQ(Invoke(0x12345, PropertyGet, {}), HResult::MemberNotFound);
    EXPECT_EQ(Invoke(kvrport::kSelectDriver, PropertyGet, {Variant::Int32(2)}), HResult::MemberNotFound);
    EXPECT_EQ(Invoke(kvrport::kIdentity, PropertyPut, {Variant::Utf8("x")}), HResult::MemberNotFound);
    EXPECT_EQ(Invoke(kvrport::kStatusOfdmCodeRateMode, PropertyGet, {}), HResult::MemberNotFound);
    EXPECT_EQ(Invoke(kvrport::kOnLine, Method, {}), HResult::MemberNotFound);
    EXPECT_EQ(Invoke(kvrport::kSelectDriver, Method, {}), HResult::BadParamCount);
    EXPECT_EQ(Invoke(kvrport::kSelectDriver, Method, {Variant::Int32(2), Variant::Int32(2)}), HResult::BadParamCount);
    EXPECT_EQ(Invoke(kvrport::kOnLine, PropertyPut, {}), HResult::BadParamCount);
    EXPECT_EQ(Invoke(kvrport::kEchoPatternDelay, PropertyGet, {}), HResult::BadParamCount);
    EXPECT_EQ(Invoke(kvrport::kSelectDriver, Method, {Variant::Utf8("QAM")}), HResult::TypeMismatch);
    EXPECT_EQ(Invoke(kvrport::kSelectDriver, Method, {Variant::Double(1e10)}), HResult::TypeMismatch);
    EXPECT_EQ(Invoke(kvrport::kOnLine, PropertyPut, {Variant::Utf8("maybe")}), HResult::TypeMismatch);
    EXPECT_EQ(port->driverKind, 0);
    EXPECT_FALSE(LastDriver());
    EXPECT_TRUE(Fakes().calls.empty());

    // A usable argument of another type is converted: text "4" selects DVB-T.
    Call(kvrport::kSelectDriver, Variant::Utf8("4"));
    EXPECT_EQ(port->driverKind, 4);
    ASSERT_TRUE(LastDriver());
    EXPECT_EQ(LastDriver()->clsid, kDvbtDriverClsid);
}

constexpr int E = -1;  // a cell of the mode table the family leaves alone
struct FamilyCase {
    int kind;
    Guid clsid;
    const char* name;
    std::array<int, kModeEntryCount> modes;
};
const FamilyCase kFamilyCases[] = {
    {2, kQamDriverClsid, "KVR T1/T3", {E, 0, 2, 1, E, E, E, E, E, E, E, E, E, E, E, E, E}},
    {4, kDvbtDriverClsid, "KVR W1/W3", {18, 0, 1, E, 13, 19, 12, 10, 6, 7, E, E, E, E, E, 2, 14}},
    {5, kAtscDriverClsid, "KVR X1/X3", {1, 0, 4, E, 2, 19, 10, 3, 7, 8, 11, 12, 16, 17, 18, E, E}},
    {6, kJ83AcDriverClsid, "KVR Y1/Y3", {15, 0, 1, E, 9, 19, 8, 3, 5, 6, 10, 11, 16, 17, 18, E, E}},
    {7, kJ83bDriverClsid, "KVR Z1/Z3", {15, 0, 1, E, 9, 19, 8, 3, 5, 6, 10, 11, 16, 17, 18, E, E}},
};

TEST_F(KvrPortTest, SelectDriverCreatesTheFamilyAndWritesItsModeColumn) {
    for (const FamilyCase& family : kFamilyCases) {
        SCOPED_TRACE(family.kind);
        port = automation::ComPtr<KVRPort>::Adopt(new KVRPort);
        const auto driver = Select(family.kind);
        ASSERT_TRUE(driver);
        EXPECT_EQ(driver->clsid, family.clsid);
        EXPECT_EQ(port->driverKind, family.kind);
        EXPECT_EQ(port->driverControl.get(), ControlOf(driver));
        ModeTable expected{};  // a new object keeps 0 where the family writes nothing
        for (int e = 0; e < kModeEntryCount; ++e)
            expected[e] = static_cast<std::int16_t>(family.modes[e] == E ? 0 : family.modes[e]);
        EXPECT_EQ(port->modeTable, expected);
    }
}

TEST_F(KvrPortTest, SelectDriverReplacesOnlyWhatTheNewFamilyWrites) {
    const auto dvbt = Select(4);
    const auto qam = Select(2);
    ASSERT_TRUE(qam);
    EXPECT_EQ(port->modeTable, (ModeTable{18, 0, 2, 1, 13, 19, 12, 10, 6, 7, 0, 0, 0, 0, 0, 2, 14}));
    EXPECT_EQ(port->driverControl.get(), ControlOf(qam));
    dvbt->AddRef();
    EXPECT_EQ(dvbt->Release(), 1u) << "the earlier driver is still held";
}

TEST_F(KvrPortTest, WithoutNewDriverTheEarlierDriverControlStays) {
    const auto first = Select(4);
    first->properties["Identity"] = Variant::Utf8("W1");
    EXPECT_FALSE(Select(3));
    EXPECT_TRUE(port->driverObject.IsEmpty());
    EXPECT_EQ(port->driverKind, 3);
    EXPECT_EQ(port->driverControl.get(), ControlOf(first));
    Fakes().calls.clear();
    EXPECT_EQ(Get(kvrport::kIdentity), Variant::String(u""));
    Put(kvrport::kOnLine, Variant::Bool(true));
    EXPECT_TRUE(first->online);
    EXPECT_EQ(Fakes().calls, (Calls{"Arm", "PutOnLine true"}));

    // A family whose driver cannot be created still writes its modes and keeps the control.
    Fakes().failing = {"Create"};
    EXPECT_FALSE(Select(2));
    EXPECT_TRUE(port->driverObject.IsEmpty());
    EXPECT_EQ(port->driverControl.get(), ControlOf(first));
    EXPECT_EQ(port->modeTable, (ModeTable{18, 0, 2, 1, 13, 19, 12, 10, 6, 7, 0, 0, 0, 0, 0, 2, 14}));
}

TEST_F(KvrPortTest, OnLineTrueNamesTheFamilyArmsAndConnectsEachStepOnItsOwn) {
    for (const FamilyCase& family : kFamilyCases) {
        SCOPED_TRACE(family.kind);
        const auto driver = Select(family.kind);
        Fakes().calls.clear();
        Put(kvrport::kOnLine, Variant::Bool(true));
        EXPECT_EQ(Fakes().calls, (Calls{std::string("PutFamilyName ") + family.name, "Arm", "PutOnLine true"}));
        EXPECT_TRUE(driver->online);
    }
    const auto driver = Select(2);
    Fakes().calls.clear();
    Fakes().failing = {"PutFamilyName", "Arm"};
    Put(kvrport::kOnLine, Variant::Int32(1));
    EXPECT_EQ(Fakes().calls, (Calls{"PutFamilyName KVR T1/T3", "Arm", "PutOnLine true"}));
    EXPECT_TRUE(driver->online);
}

TEST_F(KvrPortTest, OnLineFalseDisconnectsOnlyAConnectedDriver) {
    const auto driver = Select(5);
    Fakes().calls.clear();
    Put(kvrport::kOnLine, Variant::Bool(false));
    EXPECT_EQ(Fakes().calls, (Calls{"GetOnLine"}));

    driver->online = true;
    EXPECT_EQ(Get(kvrport::kOnLine), Variant::Bool(true));
    Fakes().calls.clear();
    Put(kvrport::kOnLine, Variant::Bool(false));
    EXPECT_EQ(Fakes().calls, (Calls{"GetOnLine", "PutOnLine false"}));
    EXPECT_FALSE(driver->online);

    driver->online = true;
    Fakes().failing = {"GetOnLine"};
    EXPECT_EQ(Get(kvrport::kOnLine), Variant::Bool(false));
}

TEST_F(KvrPortTest, IdentityStringsComeFromTheDriver) {
    const auto driver = Select(4);
    const std::pair<DispId, const char*> members[] = {
        {kvrport::kIdentity, "Identity"},       {kvrport::kManufacturer, "Manufacturer"},
        {kvrport::kModelNumber, "ModelNumber"}, {kvrport::kSerialNumber, "SerialNumber"},
        {kvrport::kFirmwareVersion, "FirmwareVersion"}, {kvrport::kInstalledHardware, "InstalledHardware"},
        {kvrport::kSystemTime, "SetupTime"},    {kvrport::kSystemDate, "SetupDate"}};
    for (const auto& [id, driverMember] : members) {
        driver->properties[driverMember] = Variant::Utf8(std::string("value of ") + driverMember);
        EXPECT_EQ(Get(id), Variant::Utf8(std::string("value of ") + driverMember));
    }
    Fakes().failing = {"SerialNumber"};
    EXPECT_EQ(Get(kvrport::kSerialNumber), Variant::String(u""));
}

TEST_F(KvrPortTest, SystemModeMapsTheDriverMode) {
    const auto driver = Select(2);
    const struct {
        Variant mode;
        const char* hardware;
        int expected;
    } cases[] = {
        {Variant::Int32(3), "", 0},   {Variant::Int32(4), "", 4},     {Variant::Int32(8), "", 8},
        {Variant::Int32(9), "", 0},   {Variant::Int32(12), "", 0},    {Variant::Int32(13), "", 13},
        {Variant::Int32(14), "", 14}, {Variant::Int32(15), "", 0},    {Variant::Utf8("5"), "", 5},
        {Variant::Utf8("five"), "", 0}, {Variant::Int32(7), "KVR-G7", 7}, {Variant::Int32(7), "KVR-B1,KVR-G1", 5},
        {Variant::Int32(7), "KVR-G1,KVR-G7", 5}, {Variant::Int32(7), "KVR-G1 KVR-G7", 7},
        {Variant::Int32(7), "KVR-G1 KVR-G1", 7}, {Variant::Int32(6), "KVR-G1", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hardware);
        driver->properties["Mode"] = c.mode;
        driver->properties["InstalledHardware"] = Variant::Utf8(c.hardware);
        EXPECT_EQ(Get(kvrport::kSystemMode), Variant::Int32(c.expected));
    }
    Fakes().failing = {"Mode"};
    EXPECT_EQ(Get(kvrport::kSystemMode), Variant::Int32(0));

    Fakes().failing.clear();
    Fakes().calls.clear();
    Put(kvrport::kSystemMode, Variant::Int16(6));
    EXPECT_EQ(Fakes().calls, (Calls{"Put Mode=6"}));
    EXPECT_EQ(driver->properties["Mode"], Variant::Int32(6));
}

TEST_F(KvrPortTest, AvailableOptionsListTheInstalledHardware) {
    const auto driver = Select(2);
    const std::pair<const char*, const char*> cases[] = {
        {"", "IF,Receiver"},
        {"Demodulator KVR-G1", "IF,Demodulator,QAM,QAMA"},
        {"KVR-G1 Demodulator", "IF,Demodulator"},
        {"RB,EAMOD,KVR-G3", "IF,Receiver,RF_50,RF_75"},
        {"Demodulator,KVR-G3", "IF,Demodulator,RF_50,RF_75"},
        {"RB", "IF,Demodulator"},
        {"KVR-G3", "IF,Receiver"},
        {"KVR-G1,KVR-G7,KVR-L3,KVR-L4,KVR-L5", "IF,Receiver,QAM,QAMA,DVBT,J83A,J83C,ATSC,J83B"},
    };
    for (const auto& [hardware, options] : cases) {
        driver->properties["InstalledHardware"] = Variant::Utf8(hardware);
        EXPECT_EQ(Get(kvrport::kAvailableOptions), Variant::Utf8(options)) << hardware;
    }
    Fakes().failing = {"InstalledHardware"};
    EXPECT_EQ(Get(kvrport::kAvailableOptions), Variant::Utf8("Error"));
}

class InitializeTest : public KvrPortTest {
protected:
    void SetUp() override {
        KvrPortTest::SetUp();
        std::error_code ignored;
        std::filesystem::remove(logs_, ignored);  // succeeds only when empty; then its creation shows
        Fakes().logDirectory = automation::Utf8ToUtf16(dir_.path().string());
        for (const char* name : {"EVENT1.CSV", "event2.csv", "OTHER.CSV", "EVENT.TXT"})
            tarvos::testing::WriteBytes(dir_ / name, "x");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(logs_, ignored);
    }
    void Initialize() { EXPECT_EQ(Invoke(kvrport::kInitialize, InvokeKind::Method, {}), HResult::Ok); }
    bool Exists(const char* name) const { return std::filesystem::exists(dir_ / name); }
    // The calls Initialize makes, in order, after checking that it configured the right folder.
    Calls ExpectedCalls() const {
        const std::string prefix = "PutLogDirectory ";
        const auto& calls = Fakes().calls;
        const auto it =
            std::find_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.starts_with(prefix); });
        if (it == calls.end()) return {"PutLogDirectory missing"};
        const std::string logs = it->substr(prefix.size());
        std::error_code error;
        EXPECT_TRUE(std::filesystem::equivalent(logs, logs_, error)) << logs;
        return {"PutOptionFlag true", prefix + logs, "PutFilterFile " + logs + "/filter.txt", "PutLogMode 1",
                "SetSwitch 1 false", "SetSwitch 4 true", "SetSwitch 5 true", "SetSwitch 2 false",
                "SetSwitch 6 true", "SetSwitch 3 false", "GetLogDirectory"};
    }

    tarvos::testing::TempDir dir_;
    const std::filesystem::path logs_ = std::filesystem::canonical("/proc/self/exe").parent_path() / "Logs";
};

TEST_F(InitializeTest, ConfiguresTheEventLogAndDeletesOldEventFiles) {
    Initialize();
    EXPECT_TRUE(std::filesystem::is_directory(logs_));
    EXPECT_EQ(Fakes().calls, ExpectedCalls());
    EXPECT_FALSE(Exists("EVENT1.CSV"));
    EXPECT_FALSE(Exists("event2.csv"));
    EXPECT_TRUE(Exists("OTHER.CSV"));
    EXPECT_TRUE(Exists("EVENT.TXT"));
}

TEST_F(InitializeTest, FailingServiceCallsAreSkipped) {
    Fakes().failing = {"PutOptionFlag", "PutLogDirectory", "SetSwitch", "PutLogMode"};
    Initialize();
    EXPECT_EQ(Fakes().calls, ExpectedCalls());
    EXPECT_FALSE(Exists("EVENT1.CSV"));

    Fakes().calls.clear();
    Fakes().failing = {"GetLogDirectory"};
    tarvos::testing::WriteBytes(dir_ / "EVENT1.CSV", "x");
    Initialize();
    EXPECT_TRUE(Exists("EVENT1.CSV")) << "a folder that could not be read back is left alone";
}

class SettingsTest : public KvrPortTest {
protected:
    void SetUp() override {
        KvrPortTest::SetUp();
        Select(2);
    }
    // Calls the method and returns its result and what it wrote.
    std::pair<Variant, Calls> Run(DispId id, Variant arg) {
        Fakes().calls.clear();
        const Variant result = Call(id, std::move(arg));
        Calls written;
        for (const std::string& c : Fakes().calls)
            if (c.starts_with("SetValue ")) written.push_back(c.substr(9));
        return {result, written};
    }
};

TEST_F(SettingsTest, EachMethodWritesItsValueAtItsPath) {
    using namespace kvrport;
    const struct {
        DispId id;
        Variant arg;
        const char* written;  // none: nothing written
    } cases[] = {
        {kSettingsRCMethod, Variant::Int32(0), "General.Remote Control = String RS232"},
        {kSettingsRCMethod, Variant::Int32(1), "General.Remote Control = String GPIB"},
        {kSettingsRCMethod, Variant::Int32(2), "General.Remote Control = String TCP/IP"},
        {kSettingsRCMethod, Variant::Int32(3), "General.Remote Control = String GUI"},
        {kSettingsRCMethod, Variant::Int32(4), nullptr},
        {kSettingsRCMethod, Variant::Int32(-1), nullptr},
        {kSettingsBaudRate, Variant::Int32(9600), "General.RS232/Baud Rate = Long 9600"},
        {kSettingsDataBits, Variant::Int16(8), "General.RS232/Data Bits = Long 8"},
        {kSettingsParity, Variant::Utf8("Even"), "General.RS232/Parity = String Even"},
        {kSettingsStopBits, Variant::Double(2.0), "General.RS232/Stop Bits = Long 2"},
        {kSettingsHandshaking, Variant::Int32(0), "General.RS232/Handshaking = String NO"},
        {kSettingsHandshaking, Variant::Int32(1), "General.RS232/Handshaking = String XON/XOFF"},
        {kSettingsHandshaking, Variant::Int32(2), "General.RS232/Handshaking = String HARDWARE"},
        {kSettingsHandshaking, Variant::Int32(3), nullptr},
        {kSettingsBoard, Variant::Int32(0), "General.GPIB/Board = Long 0"},
        {kSettingsPrimaryAddress, Variant::Int32(20), "General.GPIB/Primary Address = Long 20"},
        {kSettingsRemoteHost, Variant::Utf8("10.0.0.5"), "General.TCP/IP/Remote Host = String 10.0.0.5"},
        {kSettingsRemotePort, Variant::Utf8("5025"), "General.TCP/IP/Remote Port = Long 5025"},
        {kSettingsShowCommands, Variant::Bool(true), "General.GUI/Show Commands = String Yes"},
        {kSettingsShowCommands, Variant::Bool(false), "General.GUI/Show Commands = String No"},
        {kSettingsXPosition, Variant::Int32(100), "General.GUI/InputBox X Position = Long 100"},
        {kSettingsYPosition, Variant::Int32(200), "General.GUI/InputBox Y Position = Long 200"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written ? c.written : "nothing");
        const auto [result, written] = Run(c.id, c.arg);
        EXPECT_EQ(result, Variant::Bool(true));
        EXPECT_EQ(written, c.written ? Calls{c.written} : Calls{});
    }
}

TEST_F(SettingsTest, CommPortMustBeAPermittedValue) {
    Fakes().permitted["General.RS232/Comm Port"] = u"COM1,COM2";
    EXPECT_EQ(Run(kvrport::kSettingsCommPort, Variant::Int32(1)),
              std::make_pair(Variant::Bool(true), Calls{"General.RS232/Comm Port = String COM1"}));
    EXPECT_EQ(Run(kvrport::kSettingsCommPort, Variant::Int32(3)), std::make_pair(Variant::Bool(false), Calls{}));
    // Permitted values are matched as text: "COM10" permits COM1.
    Fakes().permitted["General.RS232/Comm Port"] = u"COM10,COM11";
    EXPECT_EQ(Run(kvrport::kSettingsCommPort, Variant::Int32(1)),
              std::make_pair(Variant::Bool(true), Calls{"General.RS232/Comm Port = String COM1"}));
}

TEST_F(SettingsTest, UnknownNodeOrRefusedWriteAnswersFalse) {
    Fakes().settingsNodes.erase("General.GPIB/Board");
    EXPECT_EQ(Run(kvrport::kSettingsBoard, Variant::Int32(0)).first, Variant::Bool(false));
    Fakes().settingsNodes.erase("General.RS232/Comm Port");
    Fakes().permitted["General.RS232/Comm Port"] = u"COM1";
    EXPECT_EQ(Run(kvrport::kSettingsCommPort, Variant::Int32(1)).first, Variant::Bool(false));
    Fakes().failing = {"SetValue General.RS232/Baud Rate"};
    EXPECT_EQ(Run(kvrport::kSettingsBaudRate, Variant::Int32(9600)).first, Variant::Bool(false));
    Fakes().failing = {"GetSettingsRoot"};
    EXPECT_EQ(Run(kvrport::kSettingsRCMethod, Variant::Int32(0)), std::make_pair(Variant::Bool(false), Calls{}));
}

}  // namespace
}  // namespace tarvos::kvrlib
