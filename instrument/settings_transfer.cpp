#include "instrument/settings_transfer.h"

#include <chrono>
#include <cmath>
#include <cstdint>

#include "instrument/connection.h"
#include "instrument/receiver_lists.h"
#include "platform/clock.h"
#include "platform/number_text.h"

namespace tarvos {
namespace {

constexpr const char* kPortBusy = "Measurement is in progress,\ncan't use port.";
constexpr const char* kConnectionFailed = "Connection to KVR failed.\nPlease check port settings.";

// Hz and symbols/s that a read-back may differ from what was written.
constexpr double kReadBackTolerance = 0.01;

// The instrument needs this long after going on line (or off) before it answers reliably.
void Settle(SettingsTransferUi& ui) { ui.Wait(std::chrono::milliseconds(1000)); }

// A port held by another program leaves the previous driver selected; connecting then would
// talk to the instrument through the wrong model driver, so that counts as a failed connection.
bool Connect(C_KVR_DiaDoc& doc, KvrPortClient& client, std::int32_t mode) {
    return SelectDriverForMode(doc, client, mode) == 0 && ConnectInstrument(doc, client);
}

bool ConnectionFailed(C_KVR_DiaDoc& doc, KvrPortClient& client, SettingsTransferUi& ui) {
    if (client.GetOnLine() != 0) DisconnectInstrument(doc, client);
    ui.Message(kConnectionFailed);
    return false;
}

// Ends a transfer at a setting the instrument did not take.
bool Refused(C_KVR_DiaDoc& doc, KvrPortClient& client, SettingsTransferUi& ui, const char* message) {
    DisconnectInstrument(doc, client);
    ui.Message(message);
    return false;
}

bool Close(double a, double b) { return std::fabs(a - b) <= kReadBackTolerance; }

// The instrument's `value` as `list` holds it; a value the list lacks is reported and replaced
// by the list's first entry.
std::int32_t FromList(const ReceiverList& list, std::int32_t value, SettingsTransferUi& ui, const char* message) {
    if (FindEntry(list, value)) return value;
    ui.Message(message);
    return ListedOrFirst(list, value);
}

}  // namespace

void SettingsTransferUi::Wait(std::chrono::milliseconds duration) { Clock::Instance().SleepFor(duration); }

bool WriteSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, ReceiverSettings& work, SettingsTransferUi& ui) {
    if (doc.measuring != 0) {
        ui.Message(kPortBusy);
        return false;
    }
    if (!Connect(doc, client, work.mode)) return ConnectionFailed(doc, client, ui);
    Settle(ui);

    if (client.GetSystemMode() != work.mode) {
        client.PutSystemMode(work.mode);
        if (client.GetSystemMode() != work.mode)
            return Refused(doc, client, ui, "Can't set selected mode.\nPlease check KVR settings.");
    }
    client.PutMeasureInputPort(work.input);
    if (client.GetMeasureInputPort() != work.input)
        return Refused(doc, client, ui, "Can't set selected input.\nPlease check KVR settings.");
    client.PutMeasureFilterBW(work.sawBandwidth);
    if (client.GetMeasureFilterBW() != work.sawBandwidth)
        return Refused(doc, client, ui, "Can't set selected SAW filter.\nPlease check KVR settings.");
    if (work.mode == kModeDvbt) {
        client.PutMeasureChannelBW(work.channelBandwidth);
        if (client.GetMeasureChannelBW() != work.channelBandwidth)
            return Refused(doc, client, ui, "Can't set selected channel bandwidth.\nPlease check KVR settings.");
    }

    if (work.mode == kModeDvbt) {
        // A DVB-T receiver takes the order from the transmitted TPS: it can only be read.
        const std::int32_t order = FromList(QamOrderList(work.mode), client.GetMeasureQAMOrder(), ui,
                                            "Unsync or invalid order of QAM.\nPlease check KVR settings.");
        if (order != work.qamOrder) {
            work.qamOrder = order;
            ui.Refresh();
        }
    } else if (work.mode != kModeAtsc) {
        client.PutMeasureQAMOrder(work.qamOrder);
        if (client.GetMeasureQAMOrder() != work.qamOrder)
            return Refused(doc, client, ui, "Can't set selected QAM order.\nPlease check KVR settings.");
    }
    // OFDM has no roll-off and 8VSB a fixed one.
    if (work.mode != kModeDvbt && work.mode != kModeAtsc) {
        client.PutMeasureRollOff(work.rollOff);
        if (client.GetMeasureRollOff() != work.rollOff)
            return Refused(doc, client, ui, "Can't set selected Roll-Off factor.\nPlease check KVR settings.");
    }

    if (work.input != kInputIf) {
        const double hz = work.frequency * 1000000;
        client.PutMeasureRF(hz);
        if (!Close(client.GetMeasureRF(), hz))
            return Refused(doc, client, ui, "Can't set selected frequency.\nPlease check KVR settings.");
    }
    if (work.mode != kModeDvbt) {
        const double rate = work.symbolRate * 1000000;
        client.PutMeasureSymbolRate(rate);
        if (!Close(client.GetMeasureSymbolRate(), rate))
            return Refused(doc, client, ui, "Can't set selected symbol rate.\nPlease check KVR settings.");
    }

    DisconnectInstrument(doc, client);
    ui.Message("Write process completed.");
    return true;
}

bool ReadSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, ReceiverSettings& work, SettingsTransferUi& ui) {
    if (doc.measuring != 0) {
        ui.Message(kPortBusy);
        return false;
    }
    const std::int32_t previousMode = work.mode;
    if (!Connect(doc, client, work.mode)) return ConnectionFailed(doc, client, ui);
    Settle(ui);

    const std::int32_t instrumentMode = client.GetSystemMode();
    if (instrumentMode == 0)
        return Refused(doc, client, ui,
                       "Current mode is not supported\nby this program. Please change\n"
                       "mode and write settings to KVR.");
    work.mode = FromList(ModeList(), instrumentMode, ui,
                         "Can't find selected mode in the list.\nPlease check KVR settings.");
    ApplyModeToLists(work);
    ui.Refresh();

    // Modes 4 and 5, and 6 and 8, share a model driver; any other change of mode needs the
    // instrument's own driver before its settings can be read.
    auto sameDriver = [&](std::int32_t a, std::int32_t b) {
        return ((a == 4 || a == 5) && (b == 4 || b == 5)) || ((a == 6 || a == 8) && (b == 6 || b == 8));
    };
    if (work.mode != previousMode && !sameDriver(work.mode, previousMode)) {
        DisconnectInstrument(doc, client);
        Settle(ui);
        if (!Connect(doc, client, work.mode)) return Refused(doc, client, ui, kConnectionFailed);
        Settle(ui);
    }

    work.input = FromList(InputList(), client.GetMeasureInputPort(), ui,
                          "Can't find selected input in the list.\nPlease check KVR settings.");
    if (work.input != kInputIf) {
        const double mhz = client.GetMeasureRF() / 1000000;
        if (mhz > 0 && mhz <= 4000)
            work.frequency = FrequencyFromText(FormatNumber(mhz, 10), work.mode);
        else
            ui.Message("Invalid frequency value.\nPlease check KVR settings.");
    }
    if (work.mode != kModeAtsc)
        work.qamOrder = FromList(QamOrderList(work.mode), client.GetMeasureQAMOrder(), ui,
                                 "Unsync or invalid order of QAM.\nPlease check KVR settings.");
    if (work.mode != kModeDvbt && work.mode != kModeAtsc)
        work.rollOff = FromList(RollOffList(work.mode), client.GetMeasureRollOff(), ui,
                                "Invalid Roll-Off factor.\nPlease check KVR settings.");
    if (work.mode != kModeDvbt) {
        const double msymb = client.GetMeasureSymbolRate() / 1000000;
        if (msymb > 0 && msymb <= 100)
            work.symbolRate = SymbolRateFromText(FormatNumber(msymb, 9), work.mode, work.symbolRate);
        else
            ui.Message("Invalid symbol rate.\nPlease check KVR settings.");
    } else {
        work.channelBandwidth = FromList(ChannelBandwidthList(), client.GetMeasureChannelBW(), ui,
                                         "Invalid channel band width.\nPlease check KVR settings.");
    }
    work.sawBandwidth = FromList(SawFilterList(work.mode), client.GetMeasureFilterBW(), ui,
                                 "Invalid SAW band width.\nPlease check KVR settings.");

    DisconnectInstrument(doc, client);
    ui.Refresh();
    ui.Message("Read process completed");
    return true;
}

}  // namespace tarvos
