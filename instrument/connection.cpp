#include "instrument/connection.h"

#include <cmath>

#include "platform/serial_probe.h"

namespace tarvos {

std::int32_t DriverForMode(std::int32_t mode) {
    switch (mode) {
        case 4: case 5: return 2;   // driverQAM
        case 6: case 8: return 6;   // driverJ83AC
        case 7: return 7;           // driverJ83B
        case 13: return 4;          // driverDVBT
        case 14: return 5;          // driverATSC
        default: return 0;
    }
}

void CreatePortObject(KvrPortClient& client) { client.Create(); }

// A number with no device behind it is a missing port, as a COM name nothing answers to.
int ProbeComPort(int n) {
    const std::optional<std::string> device = SerialDeviceOf(n);
    return device ? ProbeSerialPort(*device) : -1;
}

int SelectDriverForMode(C_KVR_DiaDoc& doc, KvrPortClient& client, std::int32_t mode) {
    if (ProbeComPort(doc.Port().comPort) == 1) return 1;
    if (mode == 0) mode = doc.Receiver().mode;
    const std::int32_t driver = DriverForMode(mode);
    if (driver == 0) return mode - 14;
    client.SelectDriver(driver);
    return 0;
}

bool ConnectInstrument(C_KVR_DiaDoc& doc, KvrPortClient& client) {
    const PortSettings& p = doc.Port();
    if (p.rcMethod == rcTCPIP) return false;
    if (!client.SettingsRCMethod(p.rcMethod)) return false;
    bool ok = true;
    if (p.rcMethod == rcRS232) {
        ok = client.SettingsCommPort(p.comPort) && client.SettingsBaudRate(p.baudRate) &&
             client.SettingsDataBits(p.dataBits) && client.SettingsParity(p.parity) &&
             client.SettingsStopBits(p.stopBits) && client.SettingsHandshaking(p.handshake);
    } else if (p.rcMethod == rcGPIB) {
        ok = client.SettingsBoard(p.board) && client.SettingsPrimaryAddress(p.primaryAddress);
    } else if (p.rcMethod == rcGUI) {
        ok = client.SettingsXPosition(100) && client.SettingsYPosition(100) && client.SettingsShowCommands(p.showCommands);
    }
    if (!ok) return false;
    client.PutOnLine(true);
    if (client.GetOnLine() != 0) return true;
    doc.cancelRequested = 0;
    doc.paused = 0;
    doc.measuring = 0;
    return false;
}

bool DisconnectInstrument(C_KVR_DiaDoc& doc, KvrPortClient& client) {
    client.PutOnLine(false);
    doc.cancelRequested = 0;
    doc.paused = 0;
    doc.measuring = 0;
    return true;
}

GeneratorCheck SwitchGeneratorOff(KvrPortClient& client) {
    client.PutMeasureNoiseGeneratorMode(0);
    const std::int32_t mode = client.GetMeasureNoiseGeneratorMode();
    if (client.GetOnLine() == 0) return GeneratorCheck::NotKnown;
    return mode == 0 ? GeneratorCheck::Off : GeneratorCheck::StillOn;
}

GeneratorCheck ReleasePortObject(C_KVR_DiaDoc& doc, KvrPortClient& client, bool generatorSwitchedOn) {
    if (!client.HasObject()) return GeneratorCheck::NotOnLine;
    GeneratorCheck check = client.GetOnLine() != 0 ? SwitchGeneratorOff(client) : GeneratorCheck::NotOnLine;
    const bool lost = check == GeneratorCheck::NotOnLine || check == GeneratorCheck::NotKnown;
    if (generatorSwitchedOn && lost) {
        // A dropped link would leave the instrument adding noise: one fresh connection with the
        // settings given before, then give up and say so.
        client.PutOnLine(false);
        client.PutOnLine(true);
        check = client.GetOnLine() != 0 ? SwitchGeneratorOff(client) : GeneratorCheck::NotKnown;
    }
    if (check != GeneratorCheck::NotOnLine) DisconnectInstrument(doc, client);
    client.Release();
    return check;
}

bool InstrumentMatchesSettings(const ReceiverSettings& rs, KvrPortClient& client) {
    const std::int32_t m = client.GetSystemMode();
    if (m != rs.mode) return false;
    const std::int32_t in = client.GetMeasureInputPort();
    const std::int32_t filter = client.GetMeasureFilterBW();
    std::int32_t channel = 0;
    double rate = 0;
    if (rs.mode == kModeDvbt) {
        channel = client.GetMeasureChannelBW();
        rate = rs.symbolRate;
    } else {
        channel = rs.channelBandwidth;
        rate = client.GetMeasureSymbolRate() * 1e-6;
    }
    const double rf = rs.input == kInputIf ? rs.frequency : client.GetMeasureRF() * 1e-6;
    std::int32_t order = rs.qamOrder;
    std::int32_t rollOff = rs.rollOff;
    if (rs.mode != kModeAtsc) {
        order = client.GetMeasureQAMOrder();
        rollOff = rs.mode == kModeDvbt ? rs.rollOff : client.GetMeasureRollOff();
    }
    return filter == rs.sawBandwidth && std::trunc(rs.frequency) == std::trunc(rf) && in == rs.input &&
           channel == rs.channelBandwidth && m == rs.mode && order == rs.qamOrder &&
           std::trunc(rs.symbolRate) == std::trunc(rate) && rollOff == rs.rollOff;
}

}  // namespace tarvos
