// Writing and reading the receiver settings, and the port settings' connection check, against
// the simulated instrument through the real instrument library. The simulated receiver is one per process and reads its configuration
// once, so every test sets up the instrument it needs by writing to it first.
#include "instrument/settings_transfer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "instrument/connection.h"
#include "instrument/port_check.h"
#include "platform/clock.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

using tarvos::testing::TempDir;

// One configuration and state file for the process, named before the first client loads the
// modules; no user registry or simulator configuration can interfere.
void ConfigureSimulatorOnce() {
    static const TempDir dir;
    static const bool configured = [] {
        tarvos::testing::WriteBytes(dir / "sim.ini",
                                    "[Simulator]\nSeed=7\nState File=" + (dir / "state.ini").string() + "\n");
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        ::setenv("KVR_SIM_CONFIG", (dir / "sim.ini").c_str(), 1);
        return true;
    }();
    (void)configured;
}

struct RecordingUi : SettingsTransferUi {
    std::vector<std::string> messages;
    int refreshes = 0;
    void Message(const std::string& text) override { messages.push_back(text); }
    void Refresh() override { ++refreshes; }
};

// Takes the pauses itself, as a window program does.
struct WaitingUi : RecordingUi {
    std::vector<long long> waits;  // ms
    void Wait(std::chrono::milliseconds d) override { waits.push_back(d.count()); }
};

ReceiverSettings QamSettings() {
    ReceiverSettings rs;
    rs.input = 2;
    rs.qamOrder = 256;
    rs.sawBandwidth = 6;
    rs.rollOff = 13;
    rs.frequency = 474;
    rs.symbolRate = 6.875;
    return rs;
}

using Messages = std::vector<std::string>;

class SettingsTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        ConfigureSimulatorOnce();
        Clock::Instance().SetVirtual();
        ASSERT_TRUE(client_.Create());
    }
    void Write(ReceiverSettings rs) {
        RecordingUi ui;
        ASSERT_TRUE(WriteSettings(doc_, client_, rs, ui));
        ASSERT_EQ(ui.messages, Messages{"Write process completed."});
    }
    void Read(ReceiverSettings& rs) {
        RecordingUi ui;
        ASSERT_TRUE(ReadSettings(doc_, client_, rs, ui));
        ASSERT_EQ(ui.messages, Messages{"Read process completed"});
    }
    // A value the instrument has now, asked through the driver of `mode`.
    double Instrument(std::int32_t mode, const std::function<double(KvrPortClient&)>& get) {
        EXPECT_EQ(SelectDriverForMode(doc_, client_, mode), 0);
        EXPECT_TRUE(ConnectInstrument(doc_, client_));
        const double value = get(client_);
        DisconnectInstrument(doc_, client_);
        return value;
    }

    C_KVR_DiaDoc doc_;
    KvrPortClient client_;
    RecordingUi ui_;
};

TEST_F(SettingsTransfer, WrittenQamSettingsReadBackUnchanged) {
    ReceiverSettings written = QamSettings();
    ASSERT_TRUE(WriteSettings(doc_, client_, written, ui_));
    EXPECT_EQ(ui_.messages, Messages{"Write process completed."});
    EXPECT_EQ(client_.GetOnLine(), 0);
    EXPECT_EQ(Instrument(4, [](KvrPortClient& c) { return c.GetMeasureRF(); }), 474000000.0);
    EXPECT_EQ(Instrument(4, [](KvrPortClient& c) { return c.GetMeasureSymbolRate(); }), 6875000.0);

    ReceiverSettings read;  // mode 4 with other values everywhere
    Read(read);
    EXPECT_EQ(read, written);
}

TEST_F(SettingsTransfer, DvbtWriteTakesTheOrderFromTheInstrument) {
    ReceiverSettings qam = QamSettings();
    qam.qamOrder = 16;
    Write(qam);
    ReceiverSettings dvbt = qam;
    dvbt.mode = kModeDvbt;
    dvbt.qamOrder = 64;
    dvbt.channelBandwidth = 7;
    ASSERT_TRUE(WriteSettings(doc_, client_, dvbt, ui_));
    EXPECT_EQ(ui_.messages, Messages{"Write process completed."});
    EXPECT_EQ(dvbt.qamOrder, 16);
    EXPECT_EQ(ui_.refreshes, 1);
    EXPECT_EQ(Instrument(kModeDvbt, [](KvrPortClient& c) { return c.GetMeasureChannelBW(); }), 7);

    // An order DVB-T cannot have is reported, the first order taken, and the write goes on.
    Write(QamSettings());
    dvbt.qamOrder = 64;
    ui_ = {};
    ASSERT_TRUE(WriteSettings(doc_, client_, dvbt, ui_));
    EXPECT_EQ(ui_.messages, (Messages{"Unsync or invalid order of QAM.\nPlease check KVR settings.",
                                                      "Write process completed."}));
    EXPECT_EQ(dvbt.qamOrder, 4);
}

TEST_F(SettingsTransfer, ReadingAnotherModeReconnectsWithItsDriver) {
    ReceiverSettings dvbt = QamSettings();
    dvbt.qamOrder = 16;  // written in mode 4: a DVB-T write only reads it
    Write(dvbt);
    dvbt.mode = kModeDvbt;
    dvbt.channelBandwidth = 7;
    dvbt.sawBandwidth = 7;
    dvbt.frequency = 650;
    Write(dvbt);
    ReceiverSettings work;  // mode 4; its QAM driver cannot tell the channel bandwidth
    Read(work);
    EXPECT_EQ(work.mode, kModeDvbt);
    EXPECT_EQ(work.channelBandwidth, 7);
    EXPECT_EQ(work.sawBandwidth, 7);
    EXPECT_EQ(work.frequency, 650);
    EXPECT_EQ(work.symbolRate, ReceiverSettings{}.symbolRate);

    ReceiverSettings atsc = QamSettings();
    atsc.mode = kModeAtsc;
    atsc.symbolRate = 10.76;
    Write(atsc);
    work = ReceiverSettings{};
    work.qamOrder = 256;
    Read(work);
    EXPECT_EQ(work.mode, kModeAtsc);
    EXPECT_EQ(work.rollOff, 115);
    EXPECT_EQ(work.qamOrder, 256);
    EXPECT_DOUBLE_EQ(work.symbolRate, 10.76);
}

TEST_F(SettingsTransfer, IfInputLeavesTheFrequencyAlone) {
    Write(QamSettings());
    ReceiverSettings ifInput = QamSettings();
    ifInput.input = kInputIf;
    ifInput.frequency = 300;
    Write(ifInput);
    EXPECT_EQ(Instrument(4, [](KvrPortClient& c) { return c.GetMeasureRF(); }), 474e6);
    ReceiverSettings work;
    work.frequency = 123;
    Read(work);
    EXPECT_EQ(work.input, kInputIf);
    EXPECT_EQ(work.frequency, 123);
}

TEST_F(SettingsTransfer, ReadAppliesTheFieldRulesAndListsToWhatTheInstrumentHas) {
    ReceiverSettings odd = QamSettings();
    odd.mode = 6;
    odd.qamOrder = 0;  // Auto and 0.20 are QAM-mode choices the instrument still takes
    odd.rollOff = 20;
    odd.frequency = 1000.123456789;
    Write(odd);
    ReceiverSettings work;
    ASSERT_TRUE(ReadSettings(doc_, client_, work, ui_));
    EXPECT_EQ(ui_.messages, (Messages{"Unsync or invalid order of QAM.\nPlease check KVR settings.",
                                                      "Invalid Roll-Off factor.\nPlease check KVR settings.",
                                                      "Read process completed"}));
    EXPECT_EQ(work.qamOrder, 4);
    EXPECT_EQ(work.rollOff, 12);
    EXPECT_EQ(work.frequency, 1000);
}

TEST_F(SettingsTransfer, ARefusedSettingEndsTheWriteOffLine) {
    Write(QamSettings());
    ReceiverSettings slow = QamSettings();
    slow.symbolRate = 0.05;  // below what the receiver demodulates
    slow.frequency = 500;
    EXPECT_FALSE(WriteSettings(doc_, client_, slow, ui_));
    EXPECT_EQ(ui_.messages, (Messages{"Can't set selected symbol rate.\nPlease check KVR settings."}));
    EXPECT_EQ(client_.GetOnLine(), 0);
    EXPECT_EQ(Instrument(4, [](KvrPortClient& c) { return c.GetMeasureRF(); }), 500e6);  // written before
}

TEST_F(SettingsTransfer, MismatchedPortSettingsGiveNoConnection) {
    PortSettings port = doc_.Port();
    port.baudRate = 9600;
    doc_.SetPort(port);
    ReceiverSettings work = QamSettings();
    EXPECT_FALSE(WriteSettings(doc_, client_, work, ui_));
    EXPECT_FALSE(ReadSettings(doc_, client_, work, ui_));
    const std::string failed = "Connection to KVR failed.\nPlease check port settings.";
    EXPECT_EQ(ui_.messages, (Messages{failed, failed}));
    EXPECT_EQ(work, QamSettings());
}

TEST_F(SettingsTransfer, PausesAreTakenThroughTheUi) {
    WaitingUi write;
    ReceiverSettings qam = QamSettings();
    ASSERT_TRUE(WriteSettings(doc_, client_, qam, write));
    EXPECT_EQ(write.waits, std::vector<long long>{1000});

    // Mode 5 shares the QAM driver: one pause. DVB-T needs its own: a pause on each side of the
    // reconnection as well.
    WaitingUi sameDriver;
    ReceiverSettings work;
    work.mode = 5;
    ASSERT_TRUE(ReadSettings(doc_, client_, work, sameDriver));
    EXPECT_EQ(sameDriver.waits, std::vector<long long>{1000});
    WaitingUi otherDriver;
    work.mode = kModeDvbt;
    ASSERT_TRUE(ReadSettings(doc_, client_, work, otherDriver));
    EXPECT_EQ(otherDriver.waits, (std::vector<long long>{1000, 1000, 1000}));
}

TEST_F(SettingsTransfer, PortCheckHandsTheTestedSettingsToTheDocument) {
    PortSettings tested = doc_.Port();
    PortCheck check = CheckPortSettings(doc_, client_, tested);
    EXPECT_TRUE(check.connected);
    EXPECT_EQ(check.message, "Test completed successfully.");
    EXPECT_EQ(client_.GetOnLine(), 0);

    tested.baudRate = 2400;  // the receiver answers at 19200 only
    check = CheckPortSettings(doc_, client_, tested);
    EXPECT_FALSE(check.connected);
    EXPECT_EQ(check.message, "Connection to KVR failed.\nPlease check port settings.");
    EXPECT_EQ(doc_.Port(), tested);

    tested.rcMethod = rcTCPIP;
    EXPECT_EQ(CheckPortSettings(doc_, client_, tested).message, "Connection to KVR failed.\nPlease check port settings.");
    EXPECT_EQ(doc_.Port().rcMethod, rcTCPIP);

    doc_.measuring = 1;
    const PortSettings kept = doc_.Port();
    tested.rcMethod = rcGPIB;
    check = CheckPortSettings(doc_, client_, tested);
    EXPECT_EQ(check.message, "Measurement is in progress,\ncan't use COM port.");
    EXPECT_EQ(doc_.Port(), kept);
    EXPECT_EQ(doc_.measuring, 1);
}

TEST(SettingsTransferWhileMeasuring, NeitherTransferTouchesThePort) {
    C_KVR_DiaDoc doc;
    KvrPortClient noObject;
    RecordingUi ui;
    doc.measuring = 1;
    ReceiverSettings work = QamSettings();
    EXPECT_FALSE(WriteSettings(doc, noObject, work, ui));
    EXPECT_FALSE(ReadSettings(doc, noObject, work, ui));
    const std::string busy = "Measurement is in progress,\ncan't use port.";
    EXPECT_EQ(ui.messages, (Messages{busy, busy}));
    EXPECT_EQ(doc.measuring, 1);  // a disconnect would have cleared it
    EXPECT_EQ(ui.refreshes, 0);
    EXPECT_EQ(work, QamSettings());
}

}  // namespace
}  // namespace tarvos
