#include "document/parabola_fit.h"

#include <cmath>

namespace tarvos {

ParabolaFit FitParabola(double s1, double y1, double s2, double y2, double s3, double y3) {
    ParabolaFit f;
    f.s[0] = s1; f.s[1] = s2; f.s[2] = s3;
    f.y[0] = y1; f.y[1] = y2; f.y[2] = y3;
    const double q1 = s1 * s1, q2 = s2 * s2, q3 = s3 * s3;
    f.determinant = q3 * (s1 - s2) + q2 * (s3 - s1) + q1 * (s2 - s3);
    if (f.determinant == 0.0) return f;
    if (!std::isfinite(y1) || !std::isfinite(y2) || !std::isfinite(y3)) return f;
    f.numeratorA = (s3 - s1) * y2 + (s2 - s3) * y1 + (s1 - s2) * y3;
    f.numeratorB = q1 * (y2 - y3) + q3 * (y1 - y2) + q2 * (y3 - y1);
    f.numeratorC = q2 * (s3 * y1 - s1 * y3) + q3 * (s1 * y2 - s2 * y1) + q1 * (s2 * y3 - s3 * y2);
    f.a = f.numeratorA / f.determinant;
    f.b = f.numeratorB / f.determinant;
    f.c = f.numeratorC / f.determinant;
    f.valid = 1;
    return f;
}

}  // namespace tarvos
