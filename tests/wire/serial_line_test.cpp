// Whole runs over a serial line: kvr-instrument serves the simulated receiver on a
// pseudo-terminal, the wire driver is registered for the test alone, and "tarvos sweep" measures
// through it with a settings file whose [Serial Ports] maps COM5 to the instrument's link.
// Each run is kept short (three steps over 1.5 dB) and both sides skip their waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "measurement/run_journal.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/started_program.h"

namespace tarvos::testing {
namespace {

using std::chrono::seconds;

// The longest a run may take before the test gives it up as hung.
constexpr std::chrono::milliseconds kRunLimit{60000};

class SerialLineTest : public CliTest {
protected:
    void SetUp() override {
        StartedProgram regsvr(KVR_REGSVR_BINARY, {WIRE_MODULE}, Path("regsvr.txt"), {}, Environment());
        ASSERT_EQ(regsvr.Wait(std::chrono::seconds(30)), 0) << ReadBytes(Path("regsvr.txt"));
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=5\nImplementation Loss=1.5\nState File=" +
                                        Path("receiver.ini").string() + "\n");
        WriteSettings("");
    }

    // The sweep's settings: COM5 is the instrument's link; `port` adds to [Port Settings].
    void WriteSettings(const std::string& port) const {
        WriteBytes(SettingsPath(), "[Serial Ports]\nCOM5=" + Path("kvr").string() + "\n[Port Settings]\nCOM Port=5\n" + port +
                                       "[Measurement]\nSamples=3\n[KVR Settings]\nSNR Begin=24\nSNR End=25.5\n");
    }

    // The test's own registry and run journals, as CliTest gives every run of tarvos.
    std::vector<std::string> Environment() const {
        return {"XDG_CONFIG_HOME=" + Path("config").string(), "XDG_STATE_HOME=" + Path("state").string(),
                "KVR_SIM_CONFIG=" + Path("sim.ini").string()};
    }

    std::unique_ptr<StartedProgram> StartInstrument(const std::vector<std::string>& extra, const std::string& log) const {
        std::vector<std::string> args{"--link", Path("kvr").string(), "--time-scale", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto instrument = std::make_unique<StartedProgram>(KVR_INSTRUMENT_BINARY, args, Path(log), std::filesystem::path(),
                                                           Environment());
        EXPECT_TRUE(WaitForText(*instrument, Path(log), "ready\n", std::chrono::seconds(20))) << ReadBytes(Path(log));
        return instrument;
    }

    // tarvos sweep on its own thread; its standard output and error go to run.txt.
    std::future<int> StartSweep(const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args{"sweep", "--time-scale", "0", "--settings", SettingsPath().string(), "--out",
                                      Path("run.tvd").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::async(std::launch::async, [this, args] {
            StartedProgram tarvos(TARVOS_BINARY, args, Path("run.txt"), {}, Environment());
            return tarvos.Wait(kRunLimit);
        });
    }
    std::string RunOutput() const { return ReadBytes(Path("run.txt")); }

    // True once `text` is in the output of `run`; false once it ended without it.
    bool WaitForRun(const std::string& text, const std::future<int>& run) const {
        while (RunOutput().find(text) == std::string::npos) {
            if (run.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready)
                return RunOutput().find(text) != std::string::npos;
        }
        return true;
    }

    std::vector<MeasurementSample> Samples(const std::filesystem::path& document) const {
        const Result<DocumentContents> contents = ReadJournal(document);
        return contents ? contents.value().samples.ToVector() : std::vector<MeasurementSample>{};
    }
};

TEST_F(SerialLineTest, ASweepOverTheLineFindsTheInstrumentsImplementationLoss) {
    const auto instrument = StartInstrument({}, "instrument.txt");
    ASSERT_EQ(StartSweep().get(), 0) << RunOutput();
    const nlohmann::json info = RunJson({"info", "--json", Path("run.tvd").string()});
    ASSERT_TRUE(info.is_object()) << RunOutput();
    ASSERT_EQ(info["end"]["valid"], 1) << info.dump();
    EXPECT_NEAR(info["end"]["endDb"].get<double>(), 1.5, 0.3);
}

TEST_F(SerialLineTest, AWrongBaudRateGetsNoAnswerAndMeasuresNothing) {
    const auto instrument = StartInstrument({}, "instrument.txt");
    WriteSettings("Baudrate=9600\n");
    EXPECT_EQ(StartSweep().get(), 1);
    const std::string out = RunOutput();
    EXPECT_NE(out.find("Connection to KVR failed."), std::string::npos) << out;
    EXPECT_NE(out.find("samples: 0\n"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(Path("run.tvd")));
    // Not a refused open: the characters went out and nothing came back.
    EXPECT_NE(out.find("no reply within"), std::string::npos) << out;
}

TEST_F(SerialLineTest, AKilledInstrumentRestartedBeforeRetryLetsTheRunFinishWithItsSamples) {
    auto first = StartInstrument({}, "first.txt");
    std::future<int> run = StartSweep({"--on-error", "retry"});
    // Two steps are done once the third begins.
    ASSERT_TRUE(WaitForRun("Set carrier to noise ratio: 25.0 dB", run)) << RunOutput();
    const std::vector<JournalInfo> journals = ListJournals(Path("state") / "kvr-tarvos" / "recovery");
    ASSERT_EQ(journals.size(), 1u);
    const std::vector<MeasurementSample> before = Samples(journals.front().file);
    first->Kill();
    // The killed instrument's link names a pseudo-terminal number that another program may take
    // next; a restart script clears it as the instrument would have on a clean stop.
    std::filesystem::remove(Path("kvr"));
    ASSERT_FALSE(before.empty()) << RunOutput();

    // The run meets the instrument's silence with the no-response message; Retry finds it back.
    ASSERT_TRUE(WaitForRun("[Retry 1 of 3]", run)) << RunOutput();
    const auto second = StartInstrument({}, "second.txt");
    ASSERT_EQ(run.get(), 0) << RunOutput();
    EXPECT_NE(RunOutput().find("Error: KVR doesn't response."), std::string::npos);

    const std::vector<MeasurementSample> after = Samples(Path("run.tvd"));
    EXPECT_GT(after.size(), before.size());
    for (const MeasurementSample& s : before)
        EXPECT_NE(std::find(after.begin(), after.end(), s), after.end()) << s.snr << " " << s.ber;
}

TEST_F(SerialLineTest, AHungInstrumentEndsTheRunInTheNoResponseMessage) {
    // Enough commands to connect and measure the first step, then silence until restarted.
    const auto instrument = StartInstrument({"--hang-after", "150"}, "instrument.txt");
    std::future<int> run = StartSweep({"--on-error", "cancel"});
    // Every read waits at most the table's timeout: the run comes to its end by itself.
    ASSERT_EQ(run.wait_for(seconds(45)), std::future_status::ready) << RunOutput();
    EXPECT_EQ(run.get(), 1);
    const std::string out = RunOutput();
    EXPECT_NE(out.find("Set carrier to noise ratio"), std::string::npos) << out;
    EXPECT_NE(out.find("tarvos: Error: KVR doesn't response."), std::string::npos) << out;
    EXPECT_NE(out.find("[Cancel]"), std::string::npos) << out;
    EXPECT_NE(ReadBytes(Path("instrument.txt")).find("hanging after 150 commands"), std::string::npos);
}

}  // namespace
}  // namespace tarvos::testing
