// The simulated driver side in-process: waits that Pause holds and Abort ends, the event log
// and its files, and the PCX pictures.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <functional>
#include <future>
#include <thread>

#include "platform/automation/dispatch.h"
#include "platform/clock.h"
#include "simdriver/class_factories.h"
#include "simdriver/pcx_image.h"
#include "simdriver/service_objects.h"
#include "simdriver/sim_driver.h"
#include "tests/support/temp_dir.h"

namespace tarvos::sim {
namespace {

TEST(SimOperationControl, WaitsOnTheClockAndObeysPauseResumeAndAbort) {
    Clock::Instance().SetVirtual();
    auto* control = new SimOperationControl;
    float seconds = 42;
    const auto before = Clock::Instance().Now();
    EXPECT_EQ(control->Wait(&seconds), HResult::Ok);
    EXPECT_EQ(Clock::Instance().Now() - before, std::chrono::seconds(42));

    control->Pause();
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        float one = 1;
        EXPECT_EQ(control->Wait(&one), HResult::Ok);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);  // held while paused
    control->Resume();
    waiter.join();
    EXPECT_TRUE(done);

    control->Abort();
    float more = 5;
    EXPECT_EQ(control->Wait(&more), HResult::Exception);
    control->Arm();
    EXPECT_EQ(control->Wait(&more), HResult::Ok);
    float bad = -1;
    EXPECT_EQ(control->Wait(&bad), HResult::InvalidArg);
    control->Release();
    Clock::Instance().SetRealTime(1);
}

// Whether a one-second wait begun on another thread ends by itself within `patience`; a held
// wait is let go afterwards so that the test goes on.
bool WaitEndsByItself(SimOperationControl& control, std::chrono::milliseconds patience) {
    auto wait = std::async(std::launch::async, [&] {
        float one = 1;
        return control.Wait(&one);
    });
    const bool ended = wait.wait_for(patience) == std::future_status::ready;
    control.Resume();
    return ended && wait.get() == HResult::Ok;
}

TEST(SimOperationControl, APauseThatNobodyWillLiftHoldsNoWait) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "sim.ini", "[Simulator]\nState File=" + (dir / "state.ini").string() + "\n");
    ::setenv("KVR_SIM_CONFIG", (dir / "sim.ini").c_str(), 1);
    Clock::Instance().SetVirtual();
    SimOperationControl& control = Operations();
    const std::pair<const char*, std::function<void()>> lifts[] = {
        {"going on line (Arm)", [&] { control.Arm(); }},
        {"a new driver object", [] {
             void* driver = nullptr;
             ASSERT_EQ(SimClassFactory(Families()[0].clsid)->CreateInstance(automation::IDispatch::kIid, &driver),
                       HResult::Ok);
             static_cast<automation::IDispatch*>(driver)->Release();
         }},
    };
    for (const auto& [what, lift] : lifts) {
        control.Pause();
        lift();
        EXPECT_TRUE(WaitEndsByItself(control, std::chrono::seconds(5))) << what;
    }
    // A wait on a thread that did not pause is held until Abort ends it.
    control.Pause();
    auto held = std::async(std::launch::async, [&] {
        float seconds = 1;
        return control.Wait(&seconds);
    });
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    control.Abort();
    EXPECT_EQ(held.get(), HResult::Exception);
    control.Arm();
    Clock::Instance().SetRealTime(1);
}

TEST(SimEventLog, WritesTheSwitchedOnCallsIntoEventFiles) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "filter.txt", "SetupTime\n");
    testing::WriteBytes(dir / "EVENT1.CSV", "older\n");
    auto* log = new SimEventLog;
    log->Record("QamDriver", SimEventLog::CallKind::Put, "RF", "474000000", false);  // logging still off
    log->PutLogDirectory(automation::Utf8ToUtf16(dir.path().string()));
    log->PutFilterFile(automation::Utf8ToUtf16((dir / "filter.txt").string()));
    log->PutLogMode(1);
    for (auto [n, on] : {std::pair{2, false}, {4, true}, {5, true}, {6, true}}) log->SetSwitch(n, on);
    log->Record("QamDriver", SimEventLog::CallKind::Put, "RF", "474000000", false);
    log->Record("QamDriver", SimEventLog::CallKind::Get, "MeasureBER", "", false);        // gets are off
    log->Record("QamDriver", SimEventLog::CallKind::Get, "Identity", "", true);           // but errors are on
    log->Record("QamDriver", SimEventLog::CallKind::Method, "SetupTime", "", false);      // filtered
    std::u16string folder;
    log->GetLogDirectory(&folder);
    EXPECT_EQ(automation::Utf16ToUtf8(folder), dir.path().string());
    log->Release();
    const std::string text = testing::ReadBytes(dir / "EVENT2.CSV");  // EVENT1.CSV was taken
    EXPECT_NE(text.find(",QamDriver,put,RF,\"474000000\",ok\n"), std::string::npos) << text;
    EXPECT_NE(text.find(",get,Identity,\"\",error\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("MeasureBER"), std::string::npos);
    EXPECT_EQ(text.find("SetupTime"), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(dir / "EVENT1.CSV"), "older\n");
}

TEST(Pcx, RunLengthDataDecodesBackToThePicture) {
    const Picture picture = DrawView(3, 30);
    const std::vector<std::uint8_t> file = EncodePcx(picture);
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
    // A real screen's noise does not compress away: every view, even a clean signal's, is
    // far beyond the 32 KB that a 16-bit index reaches.
    for (const int view : {0, 1, 3, 10, 18})
        for (const double snr : {10.0, 60.0})
            EXPECT_GT(EncodePcx(DrawView(view, snr)).size(), 48u * 1024) << view << " " << snr;
    ASSERT_GT(file.size(), 128u + 769u);
    EXPECT_EQ(file[0], 10);
    EXPECT_EQ(file[1], 5);
    EXPECT_EQ(file[3], 8);
    EXPECT_EQ(file[8] | (file[9] << 8), picture.width - 1);
    EXPECT_EQ(file[file.size() - 769], 12);  // palette marker
    const int bytesPerLine = file[66] | (file[67] << 8);
    std::vector<std::uint8_t> pixels;
    std::size_t at = 128;
    for (int y = 0; y < picture.height; ++y) {
        std::vector<std::uint8_t> line;
        while (static_cast<int>(line.size()) < bytesPerLine) {
            std::uint8_t b = file.at(at++);
            int run = 1;
            if ((b & 0xC0) == 0xC0) {
                run = b & 0x3F;
                b = file.at(at++);
            }
            line.insert(line.end(), run, b);
        }
        pixels.insert(pixels.end(), line.begin(), line.begin() + picture.width);
    }
    EXPECT_EQ(pixels, picture.pixels);
    EXPECT_EQ(at, file.size() - 769);
}

}  // namespace
}  // namespace tarvos::sim
