// A three-point quadratic fit of log10 BER over S/N, solved exactly by Cramer's rule; the
// theoretical curve is continued with it where the direct formula loses precision.
#pragma once

namespace tarvos {

struct ParabolaFit {
    double s[3] = {0.0, 0.0, 0.0};  // abscissae (dB)
    double y[3] = {0.0, 0.0, 0.0};  // ordinates, log10 BER
    double determinant = 0.0;
    double numeratorA = 0.0, numeratorB = 0.0, numeratorC = 0.0;
    double a = 0.0, b = 0.0, c = 0.0;  // log10 BER = a*s^2 + b*s + c
    int valid = 0;

    double Log10At(double snr) const { return a * snr * snr + b * snr + c; }
};

// Solves through (s1, y1), (s2, y2), (s3, y3). Invalid when the determinant is 0, and also when
// an ordinate is not finite (log10 of a BER of 0), which would otherwise yield NaN coefficients.
ParabolaFit FitParabola(double s1, double y1, double s2, double y2, double s3, double y3);

}  // namespace tarvos
