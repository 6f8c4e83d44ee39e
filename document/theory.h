// The numerical model behind the curves: theoretical BER of the modulation, its knee and
// parabolic extrapolation, its inverse, the S/N-to-C/N offset and the generator's limits.
// Pure functions of the receiver settings; absence of a value is reported as 0.
#pragma once

#include <optional>

#include "document/parabola_fit.h"
#include "document/receiver_settings.h"
#include "document/sample_list.h"

namespace tarvos {

// The complementary error function by the trapezoidal rule with about 100 steps per unit.
// This approximation, not a library erfc, defines the theoretical curve (including its loss of
// precision below about 1e-13).
double TrapezoidErfc(double x);

int BitsPerSymbol(const ReceiverSettings& rs);
// BER at `snr` dB; 0 where the mode and measuring point have no theory.
double TheoreticalBer(const ReceiverSettings& rs, double snr);
// S/N up to which the direct formula is trusted; 0 = no theory.
double KneeSnr(const ReceiverSettings& rs);
// The parabola in log10 BER through the formula's values at t-2, t-1 and t.
ParabolaFit FitTheoryAt(const ReceiverSettings& rs, double t);
// BER of the parabola fitted at the knee; 0 when there is no knee or no fit.
double ExtrapolatedBer(const ReceiverSettings& rs, double snr, ParabolaFit* fit = nullptr);

// The highest S/N a measurement of these settings can reach or show: the generator's highest
// C/N plus the offset, or the end of the measure range if that lies higher (bounded to 300 dB).
double HighestReachableSnr(const ReceiverSettings& rs);
// S/N at which the theoretical BER falls to `ber`; 0 when there is no theory or the crossing
// lies above `highestSnr`.
double TheoreticalSnrAtBer(const ReceiverSettings& rs, double ber, double highestSnr);

// The theoretical curve over [from, to] on a grid of `steps`: the formula while its BER stays
// above 1e-13 (values of 0.1 and above skipped), then the fitted parabola down to 1e-16.
// Returns the fit when one was made.
std::optional<ParabolaFit> BuildTheoreticalCurve(const ReceiverSettings& rs, double from,
                                                 double to, int steps, SampleList& curve);

// S/N - C/N in dB, so S/N = C/N + SnrOffset.
double SnrOffset(const ReceiverSettings& rs);
double MinGeneratorCnr(const ReceiverSettings& rs);
double MaxGeneratorCnr(const ReceiverSettings& rs);
// The BER the sweep must be able to reach at the chosen measuring point.
double BerLimitForPoint(const ReceiverSettings& rs);
// Seconds one BER reading takes at the settings' bit rate; `bitrateMbps` is the instrument's
// reading, used in mode 13 only. 0 when no bit rate is known.
double BerMeasurementSecondsFor(const ReceiverSettings& rs, double bitrateMbps);

}  // namespace tarvos
