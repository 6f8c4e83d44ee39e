// Writing the receiver settings to the instrument and reading them back from it, as the settings
// dialog's Write and Read buttons do, on the dialog's working copy of the settings.
#pragma once

#include <chrono>
#include <string>

#include "document/dia_doc.h"
#include "document/receiver_settings.h"
#include "instrument/kvr_port_client.h"

namespace tarvos {

// What a transfer shows the user.
class SettingsTransferUi {
public:
    virtual ~SettingsTransferUi() = default;
    // An OK message box.
    virtual void Message(const std::string& text) = 0;
    // Shows the working copy again after a change of mode or of several fields.
    virtual void Refresh() = 0;
    // The pause the instrument needs after going on line or off. The process clock by default;
    // a window program keeps its windows painted meanwhile.
    virtual void Wait(std::chrono::milliseconds duration);
};

// Sets the instrument to `work`, each setting read back to check that it took. A setting the
// instrument refuses ends the write (what was written stays). Values the instrument decides
// itself (the DVB-T QAM order) are taken into `work`. True when every setting took.
bool WriteSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, ReceiverSettings& work, SettingsTransferUi& ui);

// Fills `work` with the instrument's settings, reconnecting with the right model driver when the
// instrument is in another mode than `work`. A failed read leaves what was read so far.
// True when the read completed.
bool ReadSettings(C_KVR_DiaDoc& doc, KvrPortClient& client, ReceiverSettings& work, SettingsTransferUi& ui);

}  // namespace tarvos
