// The class factories of the simulated driver side: one per driver class and one per service
// object, for the module's entry points and for hosts that serve the simulator in-process.
#pragma once

#include <vector>

#include "platform/automation/class_factory.h"

namespace tarvos::sim {

struct SimClass {
    automation::Guid clsid;
    const char* progId;
    const char* name;
};

// The eight classes: five drivers and three service objects.
const std::vector<SimClass>& SimClasses();
// A new factory for the class, or none for a class id the simulator does not serve.
automation::ComPtr<automation::IClassFactory> SimClassFactory(const automation::Guid& clsid);
// Serves every class from this process through the class registry (tests, demonstrations).
void ServeSimulatorInProcess();

}  // namespace tarvos::sim
