// The three settings groups the document loads when it is created and writes back when it is
// closed, and the store that keeps them (the settings file of the program, or a test double).
#pragma once

#include "document/measurement_options.h"
#include "document/port_settings.h"
#include "document/receiver_settings.h"
#include "platform/result.h"

namespace tarvos {

struct StoredSettings {
    MeasurementOptions options;
    PortSettings port;
    ReceiverSettings receiver;

    bool operator==(const StoredSettings&) const = default;
};

class SettingsPersistence {
public:
    virtual ~SettingsPersistence() = default;
    // Never fails: whatever cannot be read takes its default.
    virtual StoredSettings Load() = 0;
    virtual Status Save(const StoredSettings& settings) = 0;
};

}  // namespace tarvos
