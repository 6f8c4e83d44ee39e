// One point of a BER curve.
#pragma once

namespace tarvos {

struct MeasurementSample {
    double snr = 0.0;  // dB
    double ber = 0.0;  // plain ratio; 0 is a valid measured value (no error counted)

    bool operator==(const MeasurementSample&) const = default;
};

}  // namespace tarvos
