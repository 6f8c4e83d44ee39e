// The wire driver against an instrument on loopback TCP: a member call goes out as its table
// command and comes back as a value, and each fault of the line fails the call it hits, within
// the table's timeout, without costing the calls after it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "local_instrument.h"
#include "platform/automation/variant.h"
#include "simdriver/sim_driver.h"
#include "wire/wire_driver.h"

namespace tarvos::wire {
namespace {

using automation::InvokeKind;
using automation::Variant;
using kvrlib::HResult;
using Steady = std::chrono::steady_clock;

// The table the driver reads: the built-in one with a shorter timeout, so that a silent
// instrument costs the test little, yet long enough that a loaded machine (sanitizers, tests
// in parallel) still gets a healthy reply back in time.
constexpr auto kTimeout = std::chrono::milliseconds(1000);

class WireDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBytes(dir_ / "commands.txt",
                            std::string(BuiltInTableText()) + "\ntimeout " + std::to_string(kTimeout.count()) + "\n");
        ::setenv("KVR_WIRE_COMMANDS", (dir_ / "commands.txt").c_str(), 1);
    }
    void TearDown() override {
        if (driver_ != nullptr) driver_->Release();
        ::unsetenv("KVR_WIRE_COMMANDS");
    }

    // A driver whose settings tree names the instrument's TCP port, put on line.
    HResult Connect(int port) {
        driver_ = new WireDriver(sim::Families()[0]);
        Write({"General.Remote Control"}, Variant::Utf8("TCP/IP"));
        Write({"General.TCP/IP", "Remote Host"}, Variant::Utf8("127.0.0.1"));
        Write({"General.TCP/IP", "Remote Port"}, Variant::Int32(port));
        return driver_->PutOnLine(true);
    }
    void Write(std::initializer_list<const char*> path, const Variant& value) {
        kvrlib::SettingsNode* node = nullptr;
        ASSERT_EQ(driver_->GetSettingsRoot(&node), HResult::Ok);
        for (const char* name : path) {
            kvrlib::SettingsNode* child = nullptr;
            ASSERT_EQ(node->Child(Variant::Utf8(name), &child), HResult::Ok) << name;
            node->Release();
            node = child;
        }
        EXPECT_EQ(node->SetValue(value, Variant::Int32(-1), Variant::Int32(-1)), HResult::Ok);
        node->Release();
    }
    // The generator's C/N as the driver reads it; failure values are empty.
    HResult Get(const char16_t* member, Variant* value) {
        automation::DispId id = 0;
        if (driver_->GetIdOfName(member, &id) != HResult::Ok) return HResult::UnknownName;
        std::vector<Variant> none;
        return driver_->Invoke(id, InvokeKind::PropertyGet, none, value);
    }
    HResult Put(const char16_t* member, Variant value) {
        automation::DispId id = 0;
        if (driver_->GetIdOfName(member, &id) != HResult::Ok) return HResult::UnknownName;
        std::vector<Variant> args{std::move(value)};
        return driver_->Invoke(id, InvokeKind::PropertyPut, args, nullptr);
    }

    testing::TempDir dir_;
    WireDriver* driver_ = nullptr;
};

TEST_F(WireDriverTest, AMemberCallTravelsAsItsCommandAndBack) {
    const LocalInstrument instrument;
    ASSERT_TRUE(instrument.Opened().ok());
    ASSERT_EQ(Connect(instrument.TcpPort()), HResult::Ok);
    EXPECT_EQ(Put(u"MeasureCdAddNoiseCn", Variant::Double(23.7)), HResult::Ok);
    Variant value;
    ASSERT_EQ(Get(u"MeasureCdAddNoiseCn", &value), HResult::Ok);
    EXPECT_EQ(value, Variant::Double(23.7));
    ASSERT_EQ(Get(u"Identity", &value), HResult::Ok);
    EXPECT_EQ(value.ToUtf8().value.rfind("KVR,", 0), 0u) << value.ToUtf8().value;
    // A value the instrument refuses comes back as ERR: the call fails.
    EXPECT_EQ(Put(u"MeasureCdAddNoiseCn", Variant::Utf8("loud")), HResult::Exception);
    // Members the table does not have are unknown names, as on any driver.
    automation::DispId id = 0;
    EXPECT_EQ(driver_->GetIdOfName(u"NoSuchMember", &id), HResult::UnknownName);
}

TEST_F(WireDriverTest, NoInstrumentMeansNoConnection) {
    int port = 0;
    {
        const LocalInstrument gone;
        port = gone.TcpPort();
    }
    EXPECT_EQ(Connect(port), HResult::Exception);
    bool online = true;
    EXPECT_EQ(driver_->GetOnLine(&online), HResult::Ok);
    EXPECT_FALSE(online);
}

TEST_F(WireDriverTest, ATableThatDoesNotParseKeepsTheDriverOffLine) {
    // A typo in a lab's table must not turn into members that silently fail on the instrument.
    const LocalInstrument instrument;
    testing::WriteBytes(dir_ / "commands.txt", "Identity get string *IDN?\nMode fetch int32 :MODE?\n");
    EXPECT_EQ(Connect(instrument.TcpPort()), HResult::Exception);
    bool online = true;
    EXPECT_EQ(driver_->GetOnLine(&online), HResult::Ok);
    EXPECT_FALSE(online);
}

TEST_F(WireDriverTest, EachFaultOfTheLineFailsOnlyTheCallItHits) {
    // Going on line takes two commands (the model, then *IDN?); the third is the first call.
    const struct {
        const char* fault;
        LineFaults faults;
        bool laterCallsWork;
    } cases[] = {
        {"garbled reply", {.garbleEvery = 3}, true},
        {"line dropped after the reply", {.dropAfter = 3}, true},
        {"instrument hung", {.hangAfter = 2}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const LocalInstrument instrument(c.faults);
        ASSERT_TRUE(instrument.Opened().ok());
        ASSERT_EQ(Connect(instrument.TcpPort()), HResult::Ok);
        Variant value;
        const auto start = Steady::now();
        const HResult first = Get(u"MeasureCdAddNoiseCn", &value);
        // A dropped line answered before it went: only the next call notices.
        EXPECT_EQ(first == HResult::Ok, c.faults.dropAfter > 0);
        // Every wait has its limit: the reply's, and the reconnection's model and *IDN?.
        EXPECT_LT(Steady::now() - start, 4 * kTimeout + std::chrono::seconds(1));
        // The call that meets a line as it is being dropped may be lost with it (the close can
        // reach the driver after the command went out); the call after it must work again.
        const HResult second = Get(u"MeasureCdAddNoiseCn", &value);
        if (!c.laterCallsWork) {
            EXPECT_NE(second, HResult::Ok);
        }
        EXPECT_EQ(Get(u"MeasureCdAddNoiseCn", &value) == HResult::Ok, c.laterCallsWork);
        EXPECT_LT(Steady::now() - start, 12 * kTimeout + std::chrono::seconds(2));
        driver_->Release();
        driver_ = nullptr;
    }
}

TEST_F(WireDriverTest, GpibWithoutLinuxGpibSaysWhatIsMissing) {
    if (void* gpib = ::dlopen("libgpib.so.0", RTLD_LAZY)) {
        ::dlclose(gpib);
        GTEST_SKIP() << "linux-gpib is installed here";
    }
    const Result<std::unique_ptr<Line>> line = OpenGpibLine(0, 5, kTimeout);
    ASSERT_FALSE(line);
    EXPECT_NE(line.error().message.find("linux-gpib"), std::string::npos) << line.error().message;
}

}  // namespace
}  // namespace tarvos::wire
