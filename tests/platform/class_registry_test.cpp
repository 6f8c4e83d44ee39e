// The class registry: registration by the module itself, creation by ProgID and class id,
// the user's file overriding the installed one, and every way creation can fail without a crash.
#include "platform/automation/class_registry.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/ini_file.h"
#include "tests/support/temp_dir.h"

namespace tarvos::automation {
namespace {

constexpr Guid kCounterClsid = MakeGuid("5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C01");

// Points the process's registry at this test's files and restores it afterwards.
class RegistryTest : public testing::TempDirectoryTest {
protected:
    void SetUp() override {
        saved_ = registry().SearchFiles();
        savedTarget_ = registry().RegistrationFile();
        registry().SetSearchFiles({Path("user.ini"), Path("installed.ini")});
        registry().SetRegistrationFile(Path("installed.ini"));
    }
    void TearDown() override {
        registry().SetSearchFiles(saved_);
        registry().SetRegistrationFile(savedTarget_);
    }
    static ClassRegistry& registry() { return ClassRegistry::Instance(); }

    HResult RegisterSampleModule() {
        void* handle = ::dlopen(TARVOS_SAMPLE_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return HResult::ModuleNotFound;
        auto fn = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, "DllRegisterServer"));
        const HResult hr = fn != nullptr ? fn() : HResult::ProcNotFound;
        ::dlclose(handle);
        return hr;
    }

    std::vector<std::filesystem::path> saved_;
    std::filesystem::path savedTarget_;
};

TEST_F(RegistryTest, ARegisteredModuleServesItsClassByProgIdAndClassId) {
    ASSERT_EQ(RegisterSampleModule(), HResult::Ok);
    EXPECT_EQ(registry().ClassIdOf("sample.counter"), kCounterClsid);  // ProgIDs ignore case
    HResult hr = HResult::Fail;
    ComPtr<IDispatch> counter = CreateObject("Sample.Counter", &hr);
    ASSERT_TRUE(counter) << HResultMessage(hr);
    std::vector<Variant> args{Variant::Utf8("41")};  // converted by the callee's rules
    ASSERT_EQ(InvokeByName(*counter, "value", InvokeKind::PropertyPut, args, nullptr), HResult::Ok);
    std::vector<Variant> by{Variant::Int16(1)};
    Variant result;
    ASSERT_EQ(InvokeByName(*counter, "Increment", InvokeKind::Method, by, &result), HResult::Ok);
    EXPECT_EQ(result, Variant::Int32(42));
    std::vector<Variant> none;
    EXPECT_EQ(InvokeByName(*counter, "Missing", InvokeKind::Method, none, nullptr), HResult::UnknownName);

    ComPtr<IDispatch> second;
    EXPECT_EQ(registry().CreateInstance(kCounterClsid, IDispatch::kIid, second.PutVoid()), HResult::Ok);
    EXPECT_TRUE(second);
}

TEST_F(RegistryTest, CreationFailuresGiveNoObject) {
    HResult hr = HResult::Ok;
    EXPECT_FALSE(CreateObject("Nobody.Registered", &hr));
    EXPECT_EQ(hr, HResult::InvalidProgId);

    ClassRegistry& r = registry();
    ASSERT_EQ(r.WriteEntry({kCounterClsid, "Sample.Missing", Path("no-such-module.so").string(), ""}), HResult::Ok);
    EXPECT_FALSE(CreateObject("Sample.Missing", &hr));
    EXPECT_EQ(hr, HResult::ModuleNotFound);

    // A loadable library that is not a module: it has no class factory entry point.
    ASSERT_EQ(r.WriteEntry({kCounterClsid, "Sample.NotAModule", TARVOS_RUNTIME_LIBRARY, ""}), HResult::Ok);
    EXPECT_FALSE(CreateObject("Sample.NotAModule", &hr));
    EXPECT_EQ(hr, HResult::ProcNotFound);

    void* out = &hr;
    EXPECT_EQ(r.CreateInstance(MakeGuid("00000000-0000-0000-0000-0000000000AB"), IDispatch::kIid, &out),
              HResult::ClassNotRegistered);
    EXPECT_EQ(out, nullptr);
}

TEST_F(RegistryTest, TheUserFileOverridesTheInstalledOne) {
    ASSERT_EQ(RegisterSampleModule(), HResult::Ok);  // into installed.ini
    registry().SetRegistrationFile(Path("user.ini"));
    ASSERT_EQ(registry().WriteEntry({kCounterClsid, "Sample.Counter", Path("elsewhere.so").string(), ""}), HResult::Ok);
    HResult hr = HResult::Ok;
    EXPECT_FALSE(CreateObject("Sample.Counter", &hr));
    EXPECT_EQ(hr, HResult::ModuleNotFound);
    ASSERT_EQ(registry().RemoveEntry(kCounterClsid), HResult::Ok);
    EXPECT_TRUE(CreateObject("Sample.Counter", &hr));
}

// An installation names its modules relative to the registry file, so that its tree works
// wherever it is unpacked; the path is taken from the file's folder, not the working folder.
TEST_F(RegistryTest, ARelativeModulePathIsTakenFromTheRegistryFilesFolder) {
    const std::filesystem::path module = std::filesystem::absolute(TARVOS_SAMPLE_MODULE).lexically_normal();
    std::filesystem::create_directories(Path("tree/bin"));
    const std::filesystem::path relative = module.lexically_relative(Path("tree/bin"));
    ASSERT_FALSE(relative.is_absolute());
    testing::WriteBytes(Path("tree/bin/installed.ini"), "[" + kCounterClsid.ToString() +
                                                            "]\nProgID=Sample.Counter\nModule=" +
                                                            relative.string() + "\n");
    registry().SetSearchFiles({Path("tree/bin/installed.ini")});
    const std::optional<ClassEntry> entry = registry().Lookup(kCounterClsid);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->modulePath, module.string());
    HResult hr = HResult::Fail;
    EXPECT_TRUE(CreateObject("Sample.Counter", &hr)) << HResultMessage(hr);
}

TEST_F(RegistryTest, UnregistrationRemovesOnlyItsOwnClass) {
    testing::WriteBytes(Path("installed.ini"), "[{11111111-2222-3333-4444-555555555555}]\nProgID=Other.Class\nModule=/x.so\n");
    ASSERT_EQ(RegisterSampleModule(), HResult::Ok);
    EXPECT_TRUE(registry().Lookup(kCounterClsid).has_value());
    ASSERT_EQ(registry().RemoveEntry(kCounterClsid), HResult::Ok);
    EXPECT_FALSE(registry().Lookup(kCounterClsid).has_value());
    EXPECT_EQ(registry().ClassIdOf("Other.Class"), Guid::Parse("{11111111-2222-3333-4444-555555555555}"));
}

TEST_F(RegistryTest, AModuleIsUnloadedOnlyWhenNoObjectLives) {
    ASSERT_EQ(RegisterSampleModule(), HResult::Ok);
    ComPtr<IDispatch> counter = CreateObject("Sample.Counter");
    ASSERT_TRUE(counter);
    registry().FreeUnusedModules();  // an object lives: the module stays
    std::vector<Variant> none;
    Variant value;
    EXPECT_EQ(InvokeByName(*counter, "Value", InvokeKind::PropertyGet, none, &value), HResult::Ok);
    counter.Reset();
    registry().FreeUnusedModules();
    EXPECT_TRUE(CreateObject("Sample.Counter"));  // loaded again on demand
}

TEST(Guid, TextFormsRoundTrip) {
    const auto g = Guid::Parse("{5a3f1c2e-0b6d-4c7a-9e11-2d4f6b8a0c01}");
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(*g, kCounterClsid);
    EXPECT_EQ(g->ToString(), "{5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C01}");
    EXPECT_EQ(Guid::Parse("5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C01"), g);
    for (const char* bad : {"", "{}", "5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C0", "5A3F1C2E+0B6D-4C7A-9E11-2D4F6B8A0C01",
                            "{5A3F1C2E-0B6D-4C7A-9E11-2D4F6B8A0C0G}"})
        EXPECT_FALSE(Guid::Parse(bad).has_value()) << bad;
}

TEST(Clock, VirtualSleepsAdvanceTimeAtOnceAndScaledOnesCountFully) {
    Clock& clock = Clock::Instance();
    clock.SetVirtual();
    const auto before = clock.Now();
    clock.SleepFor(std::chrono::seconds(42));
    EXPECT_EQ(clock.Now() - before, std::chrono::seconds(42));
    clock.SetRealTime(0);
    const auto start = std::chrono::steady_clock::now();
    const auto t0 = clock.Now();
    clock.SleepFor(std::chrono::seconds(30));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_GE(clock.Now() - t0, std::chrono::seconds(30));
    clock.SetRealTime(1);
}

}  // namespace
}  // namespace tarvos::automation
