// Options of the sweep. Kept only in the settings file, never in a measurement document.
#pragma once

namespace tarvos {

struct MeasurementOptions {
    int samples = 20;          // number of C/N steps
    int resolution = 10;       // zero tolerance exponent n: a BER below 10^-n counts as 0
    int zeroExit = 1;          // end the sweep when a BER of 0 is measured
    int findEnd = 1;           // refine the END crossing
    double threshold = 2.0e-4; // BER at which END is taken
    int manualMode = 1;        // manual input attenuation; stored and persisted only

    bool operator==(const MeasurementOptions&) const = default;
};

}  // namespace tarvos
