"""The references and the verdicts of accuracy_distributions.py.

The exact tails are checked against closed forms and against mpmath's own
functions at 60 digits where those converge, one row per formula and path
(the continued fractions of I_x and P, Legendre's fraction of Q, the
reflections of the t, the discrete tails from the incomplete functions). The
verdicts are checked with a stand-in for the library (closures over mpmath),
so that a quantile off by a known amount must be reported as such.

  /usr/bin/python3 -m pytest -q -p no:cacheprovider tools/test_accuracy_distributions.py
"""

import math
import sys

import mpmath
import pytest

import accuracy_distributions as ad

mp = mpmath
mp.mp.dps = ad.DIGITS  # the tables below are made at the tool's precision


def poisson_sum(k, lam):
    return mp.fsum(mp.exp(-lam) * lam ** j / mp.factorial(j) for j in range(k + 1))


def binom_sum(k, n, p):
    return mp.fsum(mp.binomial(n, j) * p ** j * (1 - p) ** (n - j) for j in range(k + 1))


def high(f):
    """f() at 60 digits."""
    with mp.workdps(60):
        return +f()


X = mp.mpf
# family, x, parameters, exact P(X <= x), why
LOWER_TAILS = [
    ("norm", 0.0, (0.0, 1.0), X(1) / 2, "the normal's centre"),
    ("norm", -2e4, (0.0, 1.0), None, "beyond mpmath's erfc: the asymptotic series"),
    ("norm", -37.5, (0.0, 1.0), None, "erfc far below the normal range: from the upper tail's form"),
    ("chisq", 3.0, (2.0,), 1 - mp.exp(X(-3) / 2), "k = 2 is the exponential with mean 2"),
    ("gamma", 800.0, (1.0, 1.0), 1 - mp.exp(X(-800)), "shape 1: Q = e^-x, below the doubles"),
    ("gamma", 1e-3, (1.0, 1.0), -mp.expm1(X(-1e-3)), "shape 1: P = 1 - e^-x without cancellation"),
    ("gamma", 995000.0, (1e6, 1.0), high(lambda: mp.gammainc(X(1e6), 0, X(995000), regularized=True)),
     "large shape, below it: the fraction of P"),
    ("gamma", 1.2e6, (1e6, 1.0), high(lambda: 1 - mp.gammainc(X(1e6), X(1.2e6), mp.inf, regularized=True)),
     "large shape, above it: Legendre's fraction of Q"),
    ("beta", 0.3, (1.0, 1.0), X(0.3), "the uniform"),
    ("beta", 0.3, (2.5, 1.0), X(0.3) ** 2.5, "b = 1: x^a"),
    ("beta", 0.3, (1.0, 4.5), 1 - (1 - X(0.3)) ** 4.5, "a = 1: from the upper side"),
    ("beta", 0.2, (300.0, 500.0),
     high(lambda: mp.betainc(X(300), X(500), 0, X(0.2), regularized=True)),
     "far lower tail (1.96e-30), where mpmath's betainc needs 60 digits"),
    ("t", -1e10, (1.0,), X(1) / 2 + mp.atan(X(-1e10)) / mp.pi, "the Cauchy, far tail"),
    ("t", 0.5, (1.0,), X(1) / 2 + mp.atan(X(0.5)) / mp.pi, "the Cauchy, |t| < 1"),
    ("t", 3.0, (2.0,), X(1) / 2 + X(3) / (2 * mp.sqrt(2 + X(9))), "nu = 2 in closed form"),
    ("f", 1.5, (2.0, 2.0), X(1.5) / (1 + X(1.5)), "d1 = d2 = 2: x / (1 + x)"),
    ("poisson", 2.0, (1e-3,), poisson_sum(2, X(1e-3)), "small lambda, by the sum"),
    ("poisson", 10.0, (30.0,), poisson_sum(10, X(30)), "lower tail of lambda = 30, by the sum"),
    ("binom", 4.0, (10.0, 0.3), binom_sum(4, 10, X(0.3)), "by the sum"),
    ("binom", 10.0, (10.0, 0.3), X(1), "k = n: the whole support"),
    ("nbinom", 7.0, (1.0, 0.25), 1 - (1 - X(0.25)) ** 8, "r = 1, the geometric: 1 - (1-p)^(k+1)"),
]


@pytest.mark.parametrize("fam, x, prm, lower, why", LOWER_TAILS, ids=[r[4] for r in LOWER_TAILS])
def test_tails(fam, x, prm, lower, why):
    _, lo, hi = ad.exact(fam, x, prm)
    if lower is None:  # the normal's far tails: Phi(x) = erfc(-x/sqrt2)/2
        lower = high(lambda: mp.erfc(-X(x) / mp.sqrt(2)) / 2)
    assert abs(lo - lower) <= mp.mpf(10) ** -30 * abs(lower), why
    assert abs(lo + hi - 1) <= mp.mpf(10) ** -35, "the two tails add to 1"


# family, parameters, support to sum over: exp(log density) must sum to 1
MASSES = [
    ("poisson", (3.5,), range(0, 80)),
    ("binom", (20.0, 0.7), range(0, 21)),
    ("nbinom", (2.5, 0.6), range(0, 200)),
]


@pytest.mark.parametrize("fam, prm, support", MASSES, ids=[r[0] for r in MASSES])
def test_masses_sum_to_one(fam, prm, support):
    total = mp.fsum(mp.exp(ad.exact(fam, k, prm)[0]) for k in support)
    assert abs(total - 1) < mp.mpf(10) ** -30


def test_densities_are_the_derivatives_of_the_tails():
    """The continuous log densities against a numerical derivative of the
    lower tail, one member per family."""
    for fam, x, prm in [("norm", 1.3, (0.5, 2.0)), ("chisq", 2.5, (3.0,)), ("gamma", 2.5, (3.5, 0.7)),
                        ("beta", 0.35, (2.5, 4.0)), ("t", -1.7, (4.5,)), ("f", 1.2, (3.0, 7.0))]:
        slope = mp.diff(lambda v: ad.exact(fam, v, prm)[1], X(x))
        assert abs(mp.exp(ad.exact(fam, x, prm)[0]) / slope - 1) < mp.mpf(10) ** -20, fam


# --------------------------------------------------------------------------
# The verdicts, with a stand-in library: the cdf and sf rounded from the exact
# ones, and a quantile that is the exact one moved by a given amount.

def stand_in(monkeypatch, fam, quantile):
    def cdf(x, *prm):
        return float(ad.exact(fam, x, prm)[1])

    def sf(x, *prm):
        return float(ad.exact(fam, x, prm)[2])
    table = {"cdf": cdf, "sf": sf, "quantile": quantile, "isf": quantile}
    monkeypatch.setattr(ad, "lib", lambda f, op: table[op])


# family, parameters, target p, a start for the exact quantile, why
QUANTILES = [
    ("gamma", (3.5, 1.0), 1e-5, 0.05, "solved in log x"),
    ("t", (3.0,), 1e-5, -40.0, "solved in log |x|, on the negative side"),
    ("t", (0.2,), 0.999, 1e10, "a power-law tail, from a start far out"),
    ("norm", (1.0, 2.0), 0.3, 0.0, "solved in x"),
]
# offset in ulps of the quantile's result
OFFSETS = [0, 1, -7, 1000]


@pytest.mark.parametrize("fam, prm, p, start, why", QUANTILES, ids=[r[4] for r in QUANTILES])
@pytest.mark.parametrize("offset", OFFSETS)
def test_continuous_quantile_error(monkeypatch, fam, prm, p, start, why, offset):
    """A quantile moved by offset doubles from the correctly rounded one:
    the error reported is within half an ulp of the offset."""
    with mp.workdps(60):
        x = float(mp.findroot(lambda v: ad.exact(fam, v, prm)[1] - X(p), X(start)))
    moved = x
    for _ in range(abs(offset)):
        moved = math.nextafter(moved, math.inf if offset > 0 else -math.inf)
    stand_in(monkeypatch, fam, lambda t, *a: moved)
    m = ad.measure_continuous_quantile(fam, "quantile", p, prm)
    assert abs(offset) - 0.5 <= m["err"] <= abs(offset) + 0.5, why
    assert m["linear"], why


# offset of k from the exact smallest k with cdf(k) >= p, and the distance
DISCRETE = [(0, 0), (1, 1), (-1, 1), (3, 3), (-2, 2)]


@pytest.mark.parametrize("offset, distance", DISCRETE)
def test_discrete_quantile_differs(monkeypatch, offset, distance):
    """A Poisson quantile off by offset is reported as differing (not at a
    tie: the target lies well between two tail values) by that distance."""
    lam, p = 30.0, 0.3
    exact_k = next(k for k in range(200) if poisson_sum(k, X(lam)) >= p)
    stand_in(monkeypatch, "poisson", lambda t, *prm: float(exact_k + offset))
    m = ad.measure_discrete_quantile("poisson", "quantile", p, (lam,))
    assert m["differs"] == (offset != 0)
    assert m["distance"] == distance
    assert not m["tie"]


# which side the library's k is on, why
TIES = [("low", "the exact cdf(k) falls short of p by less than its rounding; the library's passes"),
        ("high", "the exact cdf(k - 1) reaches p; the library's, rounded down, does not")]


@pytest.mark.parametrize("side, why", TIES, ids=[r[0] for r in TIES])
def test_discrete_tie(monkeypatch, side, why):
    """A target within the forward function's error of a tail value is a tie:
    the library's k differs from the exact one by 1, at a margin below an ulp
    that its own cdf's error covers."""
    lam, k = 30.0, 27
    at = k if side == "low" else k - 1
    tail = ad.exact("poisson", at, (lam,))[1]
    p = float(tail)
    if side == "low" and p <= tail:
        p = math.nextafter(p, 1.0)  # just above the exact cdf(k)
    if side == "high" and p > tail:
        p = math.nextafter(p, 0.0)  # at most the exact cdf(k - 1)
    library_tail = p if side == "low" else math.nextafter(p, 0.0)

    def cdf(x, *prm):
        return library_tail if x == at else float(ad.exact("poisson", x, prm)[1])
    table = {"cdf": cdf, "quantile": lambda t, *a: float(k)}
    monkeypatch.setattr(ad, "lib", lambda f, op: table[op])
    m = ad.measure_discrete_quantile("poisson", "quantile", p, (lam,))
    assert m["differs"] and m["distance"] == 1, why
    assert m["tie"] and m["margin"] < 1, why


# family, parameters, operation, target, the stand-in's result, whether the
# verdict is "right, at an end of the doubles", why
ENDS = [
    ("gamma", (1e-3, 1.0), "quantile", 1e-10, 0.0, True,
     "x = (p Gamma(k + 1))^(1/k) near 1e-10000 underflows: 0 is right"),
    ("gamma", (2.0, 1.0), "quantile", 1e-5, 0.0, False, "0 where the crossing is near 4.5e-3"),
    ("t", (0.1,), "quantile", 1e-200, -sys.float_info.max, True,
     "the crossing near -1e2000: the most negative double is right"),
    ("t", (0.1,), "quantile", 1e-200, -1e300, False, "-1e300 is not the crossing"),
    ("beta", (0.5, 1e-3), "isf", 1e-100, 1.0, True, "1 - x far below 2^-53: 1 is right"),
    ("norm", (0.0, 1.0), "isf", 1e-300, math.inf, False, "the crossing near 37 is a double"),
]


@pytest.mark.parametrize("fam, prm, op, t, result, right, why", ENDS, ids=[r[6] for r in ENDS])
def test_results_at_an_end(monkeypatch, fam, prm, op, t, result, right, why):
    stand_in(monkeypatch, fam, lambda *a: result)
    m = ad.measure_continuous_quantile(fam, op, t, prm)
    assert (m["err"] == 0) == right, why
    assert not m["linear"] or not right, why


def test_subnormal_points_are_a_region_of_their_own():
    pts = [(1e-310, 2.0), (3e-300, 2.0), (5e-324, 1.0), (0.5, 1.0)]
    regions = ad.split_subnormal("lower", pts)
    assert regions == [("lower", [(3e-300, 2.0), (0.5, 1.0)]),
                       ("lower" + ad.SUBNORMAL, [(1e-310, 2.0), (5e-324, 1.0)])]
    assert ad.split_subnormal("body", [(0.5, 1.0)]) == [("body", [(0.5, 1.0)])]
