"""How far a measured BER can be trusted: the exact (Clopper-Pearson) interval of a count of
bit errors in a count of bits, the same figures the tarvos programs show.
"""
import ctypes
import ctypes.util
import math
from typing import Callable, NamedTuple, Optional

CONFIDENCE_LEVEL = 0.95

_MAX_FRACTION_TERMS = 200000
_MAX_BISECTIONS = 200
_TINY = 1e-300


def _c_lgamma() -> Callable[[float], float]:
    # For a count of 1e8 bits lgamma(a + b) - lgamma(b) keeps only about nine digits, and
    # Python's own lgamma rounds differently from the C library's: with the C library's the
    # intervals are the programs' to the last digit.
    try:
        libm = ctypes.CDLL(ctypes.util.find_library("m") or "libm.so.6")
        function = libm.lgamma
    except (OSError, AttributeError):
        return math.lgamma
    function.restype, function.argtypes = ctypes.c_double, [ctypes.c_double]
    return function


_lgamma = _c_lgamma()


class BerInterval(NamedTuple):
    lower: float
    upper: float
    one_sided: bool  # no errors counted: [0, upper] is the one-sided upper limit


def _beta_fraction(a: float, b: float, x: float) -> float:
    # The continued fraction of the incomplete beta function (modified Lentz); it converges fast
    # for x below (a + 1) / (a + b + 2).
    qab, qap, qam = a + b, a + 1.0, a - 1.0
    c = 1.0
    d = 1.0 - qab * x / qap
    d = 1.0 / (d if abs(d) >= _TINY else _TINY)
    h = d
    for m in range(1, _MAX_FRACTION_TERMS + 1):
        m2 = 2.0 * m
        for aa in (m * (b - m) * x / ((qam + m2) * (a + m2)), -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2))):
            d = 1.0 + aa * d
            d = 1.0 / (d if abs(d) >= _TINY else _TINY)
            c = 1.0 + aa / c
            if abs(c) < _TINY:
                c = _TINY
            delta = d * c
            h *= delta
        if abs(delta - 1.0) < 1e-15:
            break
    return h


def regularized_beta(a: float, b: float, x: float) -> float:
    """I_x(a, b), the regularised incomplete beta function."""
    if not x > 0.0:
        return 0.0
    if not x < 1.0:
        return 1.0
    front = math.exp(_lgamma(a + b) - _lgamma(a) - _lgamma(b) + a * math.log(x) + b * math.log1p(-x))
    if x < (a + 1.0) / (a + b + 2.0):
        return front * _beta_fraction(a, b, x) / a
    return 1.0 - front * _beta_fraction(b, a, 1.0 - x) / b


def _beta_quantile(a: float, b: float, target: float) -> float:
    # Bisection on log p: BER intervals span many decades, so halving the exponent converges
    # evenly at any count.
    lo, hi = math.log(1e-300), 0.0
    for _ in range(_MAX_BISECTIONS):
        if hi - lo <= 1e-13:
            break
        mid = 0.5 * (lo + hi)
        if regularized_beta(a, b, math.exp(mid)) < target:
            lo = mid
        else:
            hi = mid
    return math.exp(0.5 * (lo + hi))


def clopper_pearson(errors: float, bits: float, level: float = CONFIDENCE_LEVEL) -> Optional[BerInterval]:
    """The exact two-sided interval of `errors` in `bits`; with no errors the one-sided upper
    limit (about 3/bits at 95 %). None for counts that cannot be: no bits, negative or not
    finite counts, more errors than bits."""
    if not (math.isfinite(errors) and math.isfinite(bits) and bits > 0 and 0 <= errors <= bits and 0 < level < 1):
        return None
    alpha = 1.0 - level
    if errors == 0:
        return BerInterval(0.0, -math.expm1(math.log(alpha) / bits), True)
    lower = _beta_quantile(errors, bits - errors + 1, alpha / 2)
    upper = 1.0 if errors == bits else _beta_quantile(errors + 1, bits - errors, 1.0 - alpha / 2)
    return BerInterval(lower, upper, False)
