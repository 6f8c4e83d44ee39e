// The simulated instrument through "tarvos port" alone, each run a new process as a user's
// would be: connecting each family, the BER count, the state kept between runs, and every
// fault switch of the configuration.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>

#include "cli_fixture.h"

namespace tarvos::testing {
namespace {

// "SelectDriver(n)", the default connection, then the calls; waits take no real time.
std::vector<std::string> Session(int driver, std::vector<std::string> calls) {
    std::vector<std::string> args{"port", "--time-scale", "0", "SelectDriver(" + std::to_string(driver) + ")",
                                  "SettingsRCMethod(0)", "SettingsCommPort(1)", "SettingsBaudRate(19200)",
                                  "SettingsDataBits(8)", "SettingsParity(\"N\")", "SettingsStopBits(1)",
                                  "SettingsHandshaking(2)", "OnLine=true"};
    args.insert(args.end(), calls.begin(), calls.end());
    return args;
}

// "Name = value" lines as a map (the last line of a name wins) and in order.
struct Answers {
    std::map<std::string, std::string> last;
    std::vector<std::pair<std::string, std::string>> all;
};

Answers Parse(const std::string& out) {
    Answers a;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find(" = ");
        if (eq == std::string::npos || line.starts_with("Settings")) continue;  // the session's set-up
        a.last[line.substr(0, eq)] = line.substr(eq + 3);
        a.all.emplace_back(line.substr(0, eq), line.substr(eq + 3));
    }
    return a;
}

class SimulatorTest : public CliTest {
protected:
    void SetUp() override { Configure(""); }
    void Configure(const std::string& extra) {
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=7\nState File=" + Path("state.ini").string() + "\n" + extra);
        environment_ = {"KVR_SIM_CONFIG=" + Path("sim.ini").string()};
    }
    Answers Port(int driver, std::vector<std::string> calls) {
        const RunResult r = RunRaw(Session(driver, std::move(calls)));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Parse(r.out);
    }
};

TEST_F(SimulatorTest, EveryFamilyConnectsWithTheDefaultPortSettings) {
    const std::map<int, std::string> models = {
        {2, "KVR T1/T3"}, {4, "KVR W1/W3"}, {5, "KVR X1/X3"}, {6, "KVR Y1/Y3"}, {7, "KVR Z1/Z3"}};
    for (const auto& [driver, model] : models) {
        const Answers a = Port(driver, {"OnLine", "Identity", "ModelNumber", "AvailableOptions", "SystemMode"});
        EXPECT_EQ(a.last.at("OnLine"), "true") << driver;
        EXPECT_NE(a.last.at("Identity").find(model), std::string::npos) << a.last.at("Identity");
        EXPECT_EQ(a.last.at("AvailableOptions"), "\"IF,Demodulator,RF_50,RF_75,QAM,QAMA,DVBT,J83A,J83C,ATSC,J83B\"");
        EXPECT_EQ(a.last.at("SystemMode"), "4");
    }
}

TEST_F(SimulatorTest, AWrongBaudRateOrARefusingReceiverGivesNoConnection) {
    auto args = Session(2, {"OnLine", "Identity"});
    args[6] = "SettingsBaudRate(9600)";
    Answers a = Parse(RunRaw(args).out);
    EXPECT_EQ(a.last.at("OnLine"), "false");
    EXPECT_EQ(a.last.at("Identity"), "\"\"");  // nothing answers without a connection
    Configure("[Faults]\nRefuse Connection=1\n");
    EXPECT_EQ(Port(2, {"OnLine"}).last.at("OnLine"), "false");
}

TEST_F(SimulatorTest, TheBerCountRisesWithTimeAndHoldsAtItsMaximum) {
    const Answers a = Port(2, {"MeasureNoiseGeneratorMode=1", "MeasureCNR=22", "MeasureResetBer",
                               "MeasureBERCounter", "sleep(1)", "MeasureBERCounter", "MeasureBERBeforeRS",
                               "MeasureBERExponent", "sleep(100)", "MeasureBERCounter", "MeasureBERCounterMax",
                               "MeasureBERBeforeRS", "sleep(100)", "MeasureBERBeforeRS", "MeasureFrameSync"});
    std::vector<std::string> counters, bers;
    for (const auto& [name, value] : a.all) {
        if (name == "MeasureBERCounter") counters.push_back(value);
        if (name == "MeasureBERBeforeRS") bers.push_back(value);
    }
    ASSERT_EQ(counters.size(), 3u);
    EXPECT_EQ(counters[0], "0");
    EXPECT_GT(std::stoi(counters[1]), 0);
    EXPECT_EQ(counters[2], a.last.at("MeasureBERCounterMax"));
    EXPECT_EQ(bers[1], bers[2]);  // held at the final value
    // 64-QAM at C/N 22 dB: S/N 22.5 dB, 1 dB implementation loss: about 2.8e-3 before RS.
    EXPECT_NEAR(std::stod(bers[2]), 2.8e-3, 0.3e-3);
    EXPECT_EQ(a.last.at("MeasureBERExponent"), "3");
    EXPECT_EQ(a.last.at("MeasureFrameSync"), "1");
}

TEST_F(SimulatorTest, TheReceiverKeepsItsSettingsBetweenRuns) {
    Port(4, {"SystemMode=13", "MeasureCNR=30.5", "MeasureChannelBW=7"});
    const Answers a = Port(4, {"SystemMode", "MeasureCNR", "MeasureChannelBW"});
    EXPECT_EQ(a.last.at("SystemMode"), "13");
    EXPECT_EQ(a.last.at("MeasureCNR"), "30.5");
    EXPECT_EQ(a.last.at("MeasureChannelBW"), "7");
}

TEST_F(SimulatorTest, SyncFaults) {
    Configure("[Faults]\nSync Lost At=25, 26.5\nFailing Sync Reads=2\n");
    const Answers a = Port(2, {"MeasureNoiseGeneratorMode=1", "MeasureCNR=25", "MeasureFrameSync", "MeasureFrameSync",
                               "MeasureFrameSync", "MeasureCNR=30", "MeasureFrameSync"});
    std::vector<std::string> sync;
    for (const auto& [name, value] : a.all)
        if (name == "MeasureFrameSync") sync.push_back(value);
    EXPECT_EQ(sync, (std::vector<std::string>{"-1", "-1", "0", "1"}));
    Configure("[Faults]\nSync Loss Rate=1\n");
    EXPECT_EQ(Port(2, {"MeasureFrameSync"}).last.at("MeasureFrameSync"), "0");
}

TEST_F(SimulatorTest, ReadAndMemberFaults) {
    Configure("[Faults]\nNegative BER Reads=1\nFailing Members=Identity, InputPort\n");
    const Answers a = Port(6, {"MeasureBERBeforeRS", "MeasureBERBeforeRS", "Identity", "MeasureInputPort", "Manufacturer"});
    EXPECT_EQ(a.all[0].second, "-1");
    EXPECT_NE(a.all[1].second, "-1");
    EXPECT_EQ(a.last.at("Identity"), "\"\"");
    EXPECT_EQ(a.last.at("MeasureInputPort"), "0");
    EXPECT_EQ(a.last.at("Manufacturer"), "\"KVR\"");
}

TEST_F(SimulatorTest, AcquisitionsCompleteWithTimeUnlessStalled) {
    const Answers done = Port(4, {"MeasureTdCcdfCrestFactorMax", "MeasureFdSpectrumShoulderLower"});
    EXPECT_EQ(done.last.at("MeasureTdCcdfCrestFactorMax"), "12.5");
    EXPECT_NE(done.last.at("MeasureFdSpectrumShoulderLower"), "0");
    Configure("[Faults]\nStall Acquisitions=1\n");
    EXPECT_EQ(Port(4, {"MeasureTdCcdfCrestFactorMax"}).last.at("MeasureTdCcdfCrestFactorMax"), "0");
}

TEST_F(SimulatorTest, LatencyAndDisconnection) {
    // Each call takes a second of clock time: the count moves without any sleep.
    Configure("[Faults]\nCall Latency=1000\n");
    const Answers slow = Port(2, {"MeasureResetBer", "MeasureBERCounter", "MeasureBERCounter", "MeasureBERCounter"});
    EXPECT_GT(std::stoi(slow.last.at("MeasureBERCounter")), 0);
    Configure("[Faults]\nDisconnect After Calls=2\n");
    const Answers dropped = Port(2, {"Manufacturer", "Manufacturer", "Manufacturer", "OnLine"});
    EXPECT_EQ(dropped.all[0].second, "\"KVR\"");
    EXPECT_EQ(dropped.all[2].second, "\"\"");
    EXPECT_EQ(dropped.last.at("OnLine"), "false");
}

TEST_F(SimulatorTest, ScreenPicturesArePcxImages) {
    const Answers a = Port(6, {"SpectrumPcx", "Hardcopy"});
    // Manufacturer 10, version 5, RLE, 8 bits per pixel; the library escapes 0x00 as "AB".
    EXPECT_EQ(a.last.at("SpectrumPcx").substr(0, 21), "\"\\n\\u0005\\u0001\\bABAB");
    EXPECT_EQ(a.last.at("Hardcopy"), "true");
}

TEST_F(SimulatorTest, APauseOfTheCallersOwnThreadHoldsNoneOfItsWaits) {
    const Answers a = Port(6, {"PauseOperation", "MeasureFdPhaseJitter", "OnLine=true", "MeasureTdCcdfPaprDelta"});
    EXPECT_EQ(a.last.at("MeasureFdPhaseJitter"), "0.2");  // the table's value at 20 kHz
    EXPECT_EQ(a.last.at("MeasureTdCcdfPaprDelta"), "0.3");
}

TEST_F(SimulatorTest, EchoReadsAnswerTheMainEchoWhateverTheNumber) {
    const Answers a = Port(5, {"EchoPatternDelay(2)", "EchoPatternAtten(5)"});
    EXPECT_EQ(a.last.at("EchoPatternDelay"), "1.5");
    EXPECT_EQ(a.last.at("EchoPatternAtten"), "26");
}

// The picture's bytes from the printed string: "AA" is 0x41, "AB" is 0x00, any other character
// one byte. The characters beyond Latin-1 (three UTF-8 bytes) stand for 0x80..0x9F; outside the
// palette only 0x80 (the line length 640) occurs, so they all read as 0x80.
std::vector<std::uint8_t> PictureBytes(const std::string& printed) {
    const std::string text = nlohmann::json::parse(printed).get<std::string>();
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 'A') bytes.push_back(text.at(++i) == 'A' ? 0x41 : 0x00);
        else if (c < 0x80) bytes.push_back(c);
        else if (c < 0xE0) bytes.push_back(static_cast<std::uint8_t>((c & 0x1F) << 6 | (text.at(++i) & 0x3F)));
        else {
            bytes.push_back(0x80);
            i += 2;
        }
    }
    return bytes;
}

TEST_F(SimulatorTest, AWholeScreenPictureCrossesThePortWhole) {
    const std::vector<std::uint8_t> file = PictureBytes(Port(4, {"SpectrumPcx"}).last.at("SpectrumPcx"));
    ASSERT_GT(file.size(), 48u * 1024);  // well beyond what a 16-bit index reaches
    auto word = [&](std::size_t at) { return file[at] | (file[at + 1] << 8); };
    EXPECT_EQ(word(8) + 1, 640);
    EXPECT_EQ(word(10) + 1, 480);
    EXPECT_EQ(file[3], 8);
    const int bytesPerLine = word(66);
    std::size_t at = 128;
    for (int line = 0; line < 480; ++line) {
        for (int filled = 0; filled < bytesPerLine;) {
            const std::uint8_t b = file.at(at++);
            filled += (b & 0xC0) == 0xC0 ? (++at, b & 0x3F) : 1;
        }
    }
    EXPECT_EQ(at, file.size() - 769);  // the run-length data ends where the palette begins
    EXPECT_EQ(file.at(at), 12);
}

}  // namespace
}  // namespace tarvos::testing
