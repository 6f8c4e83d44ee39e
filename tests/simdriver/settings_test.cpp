#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <optional>
#include <string>

#include "simdriver/receiver_state.h"
#include "simdriver/sim_config.h"
#include "tests/support/temp_dir.h"

namespace tarvos::sim {
namespace {

using testing::TempDirectoryTest;
using testing::WriteBytes;

// Sets (or, with none, removes) an environment variable for one test and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

using SimConfigTest = TempDirectoryTest;

TEST_F(SimConfigTest, MissingFileGivesTheDefaults) {
    const SimConfig c = LoadSimConfig(Path("missing.ini"));
    const SimConfig d;
    EXPECT_EQ(c.implementationLoss, d.implementationLoss);
    EXPECT_TRUE(c.lossPerMode.empty());
    EXPECT_NE(c.seed, 0u);  // drawn, so a run says which seed it used
    EXPECT_EQ(c.signalSnr, d.signalSnr);
    EXPECT_EQ(c.stateFile, Path("simulator-state.ini"));
    EXPECT_EQ(c.installedHardware, d.installedHardware);
    EXPECT_EQ(c.counterMax, 10);
    EXPECT_EQ(c.acquisitionSeconds, 4.0);
    EXPECT_EQ(c.iface.baudRate, 19200);
    EXPECT_EQ(c.iface.handshake, "HARDWARE");
    EXPECT_EQ(c.iface.remoteHost, "127.0.0.1");
    EXPECT_FALSE(c.faults.refuseConnection);
    EXPECT_TRUE(c.faults.syncLostAtCnr.empty());
    EXPECT_TRUE(c.faults.failingMembers.empty());
    EXPECT_EQ(c.faults.disconnectAfterCalls, 0);
}

TEST_F(SimConfigTest, ReadsEveryKey) {
    WriteBytes(Path("sim.ini"),
               "[simulator]\nImplementation Loss=1.5\nImplementation Loss Mode 13 = 2.25\nSeed=18446744073709551615\n"
               "Signal SNR=35.5\nState File=/var/tmp/state.ini\nInstalled Hardware=Demodulator,KVR-G1\n"
               "BER Intervals=25\nAcquisition Time=0.5\n"
               "[Interface]\nCOM Port=3\nBaudrate=9600\nDatabits=7\nParity=E\nStopbits=2\nHandshake=XON/XOFF\n"
               "Board=1\nPrimary Address=20\nRemote Host=10.0.0.7\nRemote Port=5025\n"
               "[Faults]\nRefuse Connection=yes\nSync Lost At=20.5, 22\nSync Loss Rate=0.25\nFailing Sync Reads=2\n"
               "Negative BER Reads=3\nFailing Members=MeasureBER, Identity\nStall Acquisitions=1\n"
               "Call Latency=12.5\nDisconnect After Calls=40\n");
    const SimConfig c = LoadSimConfig(Path("sim.ini"));
    EXPECT_EQ(c.implementationLoss, 1.5);
    EXPECT_EQ(c.LossFor(13), 2.25);
    EXPECT_EQ(c.LossFor(4), 1.5);
    EXPECT_EQ(c.seed, 18446744073709551615u);
    EXPECT_EQ(c.signalSnr, 35.5);
    EXPECT_EQ(c.stateFile, "/var/tmp/state.ini");
    EXPECT_EQ(c.installedHardware, "Demodulator,KVR-G1");
    EXPECT_EQ(c.counterMax, 25);
    EXPECT_EQ(c.acquisitionSeconds, 0.5);
    const InterfaceConfig& i = c.iface;
    EXPECT_EQ(i.comPort, 3);
    EXPECT_EQ(i.baudRate, 9600);
    EXPECT_EQ(i.dataBits, 7);
    EXPECT_EQ(i.parity, "E");
    EXPECT_EQ(i.stopBits, 2);
    EXPECT_EQ(i.handshake, "XON/XOFF");
    EXPECT_EQ(i.board, 1);
    EXPECT_EQ(i.primaryAddress, 20);
    EXPECT_EQ(i.remoteHost, "10.0.0.7");
    EXPECT_EQ(i.remotePort, 5025);
    const FaultConfig& f = c.faults;
    EXPECT_TRUE(f.refuseConnection);
    EXPECT_EQ(f.syncLostAtCnr, (std::vector<double>{20.5, 22}));
    EXPECT_EQ(f.syncLossRate, 0.25);
    EXPECT_EQ(f.failingSyncReads, 2);
    EXPECT_EQ(f.negativeBerReads, 3);
    EXPECT_EQ(f.failingMembers, (std::vector<std::string>{"MeasureBER", "Identity"}));
    EXPECT_TRUE(f.stallAcquisitions);
    EXPECT_EQ(f.callLatencyMs, 12.5);
    EXPECT_EQ(f.disconnectAfterCalls, 40);
}

TEST_F(SimConfigTest, ClampsAndSkipsWhatItCannotRead) {
    WriteBytes(Path("sim.ini"),
               "[Simulator]\nImplementation Loss=1,5\nSeed=0\nSignal SNR=nan\nBER Intervals=0\nAcquisition Time=9999\n"
               "State File=sub/state.ini\n[Interface]\nBaudrate=fast\n"
               "[Faults]\nRefuse Connection=maybe\nSync Lost At= 20.5 ,, junk, -3e1 ,\nSync Loss Rate=1.5\n"
               "Failing Sync Reads=-4\nNegative BER Reads=99999999999\nFailing Members=, MeasureBER ,\n"
               "Call Latency=-1\nDisconnect After Calls=-2\n");
    const SimConfig c = LoadSimConfig(Path("sim.ini"));
    EXPECT_EQ(c.implementationLoss, 1.0);  // a comma decimal is no number here
    EXPECT_NE(c.seed, 0u);
    EXPECT_EQ(c.signalSnr, 40.0);
    EXPECT_EQ(c.counterMax, 1);
    EXPECT_EQ(c.acquisitionSeconds, 600.0);
    EXPECT_EQ(c.stateFile, Path("sub/state.ini"));
    EXPECT_EQ(c.iface.baudRate, 19200);
    EXPECT_FALSE(c.faults.refuseConnection);
    EXPECT_EQ(c.faults.syncLostAtCnr, (std::vector<double>{20.5, -30}));
    EXPECT_EQ(c.faults.syncLossRate, 1.0);
    EXPECT_EQ(c.faults.failingSyncReads, 0);
    EXPECT_EQ(c.faults.negativeBerReads, 2147483647);
    EXPECT_EQ(c.faults.failingMembers, std::vector<std::string>{"MeasureBER"});
    EXPECT_EQ(c.faults.callLatencyMs, 0.0);
    EXPECT_EQ(c.faults.disconnectAfterCalls, 0);

    WriteBytes(Path("sim.ini"), "[Simulator]\nBER Intervals=5000\nAcquisition Time=0.01\n[Faults]\nSync Loss Rate=-0.2\n");
    const SimConfig d = LoadSimConfig(Path("sim.ini"));
    EXPECT_EQ(d.counterMax, 1000);
    EXPECT_EQ(d.acquisitionSeconds, 0.1);
    EXPECT_EQ(d.faults.syncLossRate, 0.0);
}

TEST_F(SimConfigTest, ConfigFileFromTheEnvironment) {
    const ScopedEnv home("HOME", "/home/tester");
    {
        const ScopedEnv explicitFile("KVR_SIM_CONFIG", Path("mine.ini").string());
        EXPECT_EQ(ConfigFilePath(), Path("mine.ini"));
        WriteBytes(Path("mine.ini"), "[Simulator]\nSignal SNR=28\n");
        EXPECT_EQ(LoadSimConfig().signalSnr, 28.0);
        EXPECT_EQ(LoadSimConfig().stateFile, Path("simulator-state.ini"));
    }
    const ScopedEnv emptyFile("KVR_SIM_CONFIG", "");
    {
        const ScopedEnv xdg("XDG_CONFIG_HOME", "/etc/xdg-test");
        EXPECT_EQ(ConfigFilePath(), "/etc/xdg-test/kvr-tarvos/simulator.ini");
    }
    const ScopedEnv relativeXdg("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ConfigFilePath(), "/home/tester/.config/kvr-tarvos/simulator.ini");
}

using ReceiverStateTest = TempDirectoryTest;

TEST_F(ReceiverStateTest, MissingOrDamagedFileGivesTheFirstState) {
    EXPECT_EQ(LoadReceiverState(Path("missing.ini")), ReceiverState{});
    WriteBytes(Path("state.ini"),
               "[Receiver]\nMode=abc\nInput = 3\nQAM Order=99999999999\nCNR=12,5\nSymbol Rate=inf\n"
               "Frequency Hz=  +474e6 \nRoll-Off=15x\n");
    ReceiverState expected;
    expected.input = 3;
    expected.frequencyHz = 474e6;
    EXPECT_EQ(LoadReceiverState(Path("state.ini")), expected);
}

TEST_F(ReceiverStateTest, SecondRunSeesWhatTheFirstSaved) {
    ReceiverState s;
    s.mode = 13;
    s.input = 2;
    s.qamOrder = 16;
    s.sawBandwidth = 0;
    s.channelBandwidth = 7;
    s.rollOff = 115;
    s.frequencyHz = 474.0e6 + 1.0 / 3;
    s.symbolRate = 0.1 + 0.2;
    s.noiseGenerator = 1;
    s.cnr = -4.9406564584124654e-324;
    s.measureMode = 5;
    s.attenuation = -10;
    s.attenuationAuto = 0;
    s.equalizer = 0;
    s.fftMode = 0;
    s.codeRate = 4;
    s.other = {{"SpecFuncMpegDataOutput", "1"}, {"Padded", "  two spaces  "}, {"Quoted", "\"q\""},
               {"Empty", ""}, {"Equation", "a=b"}};
    const auto file = Path("deep/er/state.ini");
    ASSERT_TRUE(SaveReceiverState(file, s).ok());
    const ReceiverState loaded = LoadReceiverState(file);
    EXPECT_EQ(loaded, s);
    EXPECT_EQ(std::signbit(loaded.cnr), true);

    s.cnr = 17.3;
    s.other.erase("Padded");
    ASSERT_TRUE(SaveReceiverState(file, s).ok());
    EXPECT_EQ(LoadReceiverState(file), s);
}

TEST_F(ReceiverStateTest, SaveReportsAFolderItCannotMake) {
    WriteBytes(Path("plain"), "x");
    EXPECT_FALSE(SaveReceiverState(Path("plain/state.ini"), ReceiverState{}).ok());
}

}  // namespace
}  // namespace tarvos::sim
