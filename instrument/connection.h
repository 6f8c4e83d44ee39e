// The instrument connection as every user runs it: create the KVRPort object, select the model
// driver for the mode, connect with the stored port settings, compare the instrument's settings
// with the document's, disconnect and release.
#pragma once

#include <cstdint>

#include "document/dia_doc.h"
#include "instrument/kvr_port_client.h"

namespace tarvos {

// The model driver of a receiver mode (Drivers codes), 0 for a mode without one.
std::int32_t DriverForMode(std::int32_t mode);

void CreatePortObject(KvrPortClient& client);
// 1 when the COM port is held by another program (no driver selected), mode - 14 for a mode
// without a driver, else 0 after SelectDriver. Mode 0 means the document's mode.
int SelectDriverForMode(C_KVR_DiaDoc& doc, KvrPortClient& client, std::int32_t mode);
// True when on line. TCP/IP is never used by this program and fails at once.
bool ConnectInstrument(C_KVR_DiaDoc& doc, KvrPortClient& client);
// OnLine false; clears the cancel-requested, paused and measuring flags. Always true.
bool DisconnectInstrument(C_KVR_DiaDoc& doc, KvrPortClient& client);
// What is known of the noise generator after a connection switched it off.
enum class GeneratorCheck {
    NotOnLine,  // the connection was not open: nothing was switched
    Off,        // switched off and read back as off over a link that stayed up
    StillOn,    // the instrument still reports the generator on
    NotKnown,   // the link was lost on the way, so the read-back proves nothing
};

// Switches the generator off and reads it back. A failed read gives the library's failure value
// 0, which looks like "off": only a link still up after the read makes that 0 trustworthy.
GeneratorCheck SwitchGeneratorOff(KvrPortClient& client);
// Switches the noise generator off (read back) and disconnects when on line, then releases the
// object. A user that switched the generator on passes `generatorSwitchedOn`: when the link is
// lost before the read-back proves it off, one more connection (off line, on line) is tried
// for it, and a link that stays down gives NotKnown.
GeneratorCheck ReleasePortObject(C_KVR_DiaDoc& doc, KvrPortClient& client, bool generatorSwitchedOn = false);
// 0 free, 1 in use, -1 missing.
int ProbeComPort(int n);
// Whether the instrument's mode, input, filter, channel, symbol rate, frequency, QAM order and
// roll-off match `rs` (by the comparison rules of each mode).
bool InstrumentMatchesSettings(const ReceiverSettings& rs, KvrPortClient& client);

}  // namespace tarvos
