// The simulated driver side in-process: waits that Pause holds and Abort ends, the event log
// and its files, and the PCX pictures.
#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "simdriver/pcx_image.h"
#include "simdriver/service_objects.h"
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
