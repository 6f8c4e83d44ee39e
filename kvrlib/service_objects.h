// The three process-wide service objects of the driver side (waits, event log, options),
// created by class id on first use and kept for the life of the library.
#pragma once

#include "kvrlib/driver_contract.h"

namespace tarvos::kvrlib {

// Each fails the calling step (StepFailure) when its object cannot be created.
OperationControl& Operations();
EventLog& Events();
DriverOptions& Options();

}  // namespace tarvos::kvrlib
