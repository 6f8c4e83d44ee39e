#include "instrument/port_check.h"

#include "instrument/connection.h"

namespace tarvos {

PortCheck CheckPortSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, const PortSettings& tested) {
    if (doc.measuring != 0) return {false, "Measurement is in progress,\ncan't use COM port."};
    doc.SetPort(tested);
    SelectDriverForMode(doc, client, doc.Receiver().mode);
    const bool connected = ConnectInstrument(doc, client);
    DisconnectInstrument(doc, client);
    if (!connected) return {false, "Connection to KVR failed.\nPlease check port settings."};
    return {true, "Test completed successfully."};
}

}  // namespace tarvos
