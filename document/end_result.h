// The END snapshot: how much more S/N than theory the receiver needs at the threshold BER.
#pragma once

namespace tarvos {

struct EndResult {
    double theorySnr = 0.0;    // 0 = none
    double theoryBer = 0.0;
    double measuredSnr = 0.0;
    double measuredBer = 0.0;
    int valid = 0;             // 1 when both S/N values exist

    double EndDb() const { return measuredSnr - theorySnr; }
};

}  // namespace tarvos
