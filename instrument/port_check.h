// The port settings dialog's Test Port: the connection tried with the settings being edited,
// which the document takes first so that a tested setting stays in force even when the dialog
// is then cancelled.
#pragma once

#include <string>

#include "document/dia_doc.h"
#include "document/port_settings.h"
#include "instrument/kvr_port_client.h"

namespace tarvos {

struct PortCheck {
    bool connected = false;
    std::string message;  // for an OK message box
};

// Refused without touching the document or the port while a measurement runs. Otherwise selects
// the driver of the document's mode, connects and disconnects whatever the outcome.
PortCheck CheckPortSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, const PortSettings& tested);

}  // namespace tarvos
