#!/usr/bin/python3
"""Measures the accuracy of the nine distributions of libvarnel-stats against mpmath.

For every family, every operation (pdf, logpdf, cdf, sf, quantile, isf) and
three classes of parameters (small, moderate, large), a fixed pseudo-random
sample is evaluated by the built library and compared with the exact value at
40 significant digits:

  densities    the closed forms, with mpmath's loggamma;
  cdf and sf   mpmath's erfc (normal) and regularized gammainc (chi-square,
               gamma, Poisson), and the continued fraction of I_x(a, b)
               evaluated by mpmath (beta, t, F, binomial, negative binomial):
               mpmath's betainc sums a hypergeometric series that does not
               converge for parameters in the thousands and loses digits in
               the far tails at this precision;
  quantiles    the exact crossing, the tail that is at most 1/2 at the
               solution solved for the target by Newton's method from the
               library's result; for the discrete families the smallest k
               with cdf(k) >= p (sf(k) <= q), checked with mpmath's tails.

The forward points are the library's own quantiles (isf) of targets spread
from the body to 1e-320, so that the tails are measured down to subnormal
results. A quantile's error is reported in ulps of x beside the condition
kappa = |dx/dp| ulp(p) / ulp(x) and the error of the library's forward
function at the result, as tools/accuracy_inverses.py does.

It writes OUT/distributions-accuracy.md with OUT/accuracy-distributions.png
(the continuous quantiles' error against 1 + kappa * forward error) and
refreshes the summary block of OUT/accuracy.md (<!-- distributions --> ...
<!-- /distributions -->), which tools/accuracy.py keeps when it rewrites
that page.

  /usr/bin/python3 tools/accuracy_distributions.py                    full run (docs/)
  /usr/bin/python3 tools/accuracy_distributions.py --quick --out DIR  reduced run (CI)

libvarnel-stats.so.0 is loaded from the directory of --lib. The ulp, sampling
and formatting helpers are those of tools/accuracy.py and
tools/accuracy_inverses.py.
"""

import ctypes
import json
import math
import multiprocessing
import os
import re
import statistics
import sys
import time

import mpmath

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accuracy as acc  # noqa: E402  (the sibling tools' helpers)
import accuracy_inverses as inv  # noqa: E402

ROOT = acc.ROOT
DIGITS = 40  # the binomial's log-gamma terms reach 2e10 at n = 1e9
OPERATIONS = ["pdf", "logpdf", "cdf", "sf", "quantile", "isf"]
FORWARD_OPS = OPERATIONS[:4]
DISCRETE = ("poisson", "binom", "nbinom")
# The families on the whole line (the others start at 0).
WHOLE_LINE = ("norm", "t")


# --------------------------------------------------------------------------
# The library.

def families():
    """(family, parameter count, parameter names, name) from the family list of
    include/varnel/stats.h, in its order."""
    with open(os.path.join(ROOT, "include", "varnel", "stats.h")) as f:
        text = f.read()
    return [(fam, int(count), params, name) for fam, _, count, params, name in
            re.findall(r'M\(X, (\w+), (\w+), (\d), "([^"]*)", "([^"]*)"\)', text)]


def load_distributions(path):
    """{(family, operation): function} of every distribution in the library."""
    lib = ctypes.CDLL(path)
    table = {}
    for fam, count, _, _ in families():
        for op in OPERATIONS:
            try:
                fn = getattr(lib, f"varnel_stats_d_{fam}_{op}")
            except AttributeError:
                continue
            fn.restype, fn.argtypes = ctypes.c_double, [ctypes.c_double] * (1 + count)
            table[(fam, op)] = fn
    return table


_PATH = {}
_LIB = {}


def lib(fam, op):
    if not _LIB:
        _LIB.update(load_distributions(_PATH["stats"]))
    return _LIB[(fam, op)]


# --------------------------------------------------------------------------
# The exact values.

def log_beta(a, b):
    return mpmath.loggamma(a) + mpmath.loggamma(b) - mpmath.loggamma(a + b)


def unit_fraction(coef):
    """1 + d1 / (1 + d2 / (1 + ...)) with d_i = coef(i), by the modified
    Lentz method, to the working precision."""
    mp = mpmath
    tiny = mp.mpf(10) ** (-4 * mp.mp.dps)
    eps = mp.mpf(10) ** (-mp.mp.dps - 2)
    f, c, d = mp.mpf(1), mp.mpf(1), mp.mpf(0)
    for i in range(1, 10 ** 7):
        di = coef(i)
        d = 1 + di * d
        c = 1 + di / c
        d = 1 / (d if d != 0 else tiny)
        c = c if c != 0 else tiny
        delta = c * d
        f *= delta
        if abs(delta - 1) < eps:
            break
    return f


def ibeta_fraction(a, b, x, y):
    """I_x(a, b) by its continued fraction
         x^a y^b / (a B(a, b)) / (1 + d1 / (1 + d2 / (1 + ...))),
         d(2m+1) = -(a + m)(a + b + m) x / ((a + 2m)(a + 2m + 1)),
         d(2m) = m (b - m) x / ((a + 2m - 1)(a + 2m)),
    y = 1 - x. Its terms fall fast for x < (a + 1)/(a + b + 2), in about the
    square root of the parameters' size in steps near that point."""
    def coef(i):
        m = i // 2
        if i % 2:
            return -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))
        return m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
    return mpmath.exp(a * mpmath.log(x) + b * mpmath.log(y) - log_beta(a, b)) / a / unit_fraction(coef)


def p_fraction(a, x):
    """P(a, x) by the same fraction's limit for the incomplete gamma function,
         x^a e^(-x) / (a Gamma(a)) / (1 + d1 / (1 + d2 / (1 + ...))),
         d(2m+1) = -(a + m) x / ((a + 2m)(a + 2m + 1)),
         d(2m) = m x / ((a + 2m - 1)(a + 2m)),
    for x below about a, where it converges in about sqrt(a) steps."""
    def coef(i):
        m = i // 2
        if i % 2:
            return -(a + m) * x / ((a + 2 * m) * (a + 2 * m + 1))
        return m * x / ((a + 2 * m - 1) * (a + 2 * m))
    return mpmath.exp(a * mpmath.log(x) - x - mpmath.loggamma(a)) / a / unit_fraction(coef)


def ibeta_tails(a, b, x, y):
    """(I_x(a, b), 1 - I_x(a, b)) with y = 1 - x given exactly; each tail
    from the fraction on the side where it converges, the other as 1 minus
    it (no digits lost at 40 digits)."""
    a, b = mpmath.mpf(a), mpmath.mpf(b)
    if x <= 0:
        return mpmath.mpf(0), mpmath.mpf(1)
    if y <= 0:
        return mpmath.mpf(1), mpmath.mpf(0)
    if x * (a + b + 2) < a + 1:
        lo = ibeta_fraction(a, b, x, y)
        return lo, 1 - lo
    hi = ibeta_fraction(b, a, y, x)
    return 1 - hi, hi


def q_fraction(a, x):
    """Q(a, x) by Legendre's continued fraction
         e^(-x) x^a / Gamma(a) / (x + 1 - a - 1 (1 - a) / (x + 3 - a - 2 (2 - a) / ...)),
    modified Lentz, for x >= a (in a few steps far beyond a, in some
    thousands near a = 1e8)."""
    mp = mpmath
    tiny = mp.mpf(10) ** (-4 * mp.mp.dps)
    eps = mp.mpf(10) ** (-mp.mp.dps - 2)
    b = x + 1 - a
    c, d = 1 / tiny, 1 / b
    h = d
    for n in range(1, 10 ** 7):
        an = -n * (n - a)
        b += 2
        d = an * d + b
        d = 1 / (d if d != 0 else tiny)
        c = b + an / c
        c = c if c != 0 else tiny
        delta = d * c
        h *= delta
        if abs(delta - 1) < eps:
            break
    return mp.exp(a * mp.log(x) - x - mp.loggamma(a)) * h


LARGE_SHAPE = 1e5  # from here mpmath's gammainc seldom converges


def fraction_tails(k, y):
    """(P(k, y), Q(k, y)) from the fraction of the smaller."""
    if y < k:
        lo = p_fraction(k, y)
        return lo, 1 - lo
    hi = q_fraction(k, y)
    return 1 - hi, hi


def gamma_tails(k, y):
    """(P(k, y), Q(k, y)): the smaller from mpmath's gammainc (from shapes of
    1e5 on, and wherever its series does not converge, from the fractions
    above), the other as 1 minus it."""
    mp = mpmath
    if y <= 0:
        return mp.mpf(0), mp.mpf(1)
    if k >= LARGE_SHAPE:
        return fraction_tails(k, y)
    try:
        if y < k:
            lo = mp.gammainc(k, 0, y, regularized=True)
            return lo, 1 - lo
        hi = mp.gammainc(k, y, mp.inf, regularized=True)
        return 1 - hi, hi
    except mp.libmp.NoConvergence:
        return fraction_tails(k, y)


def exact(fam, x, prm):
    """(log density, P(X <= x), P(X > x)) at the real x (mpmath), for the
    parameters prm (doubles); x an integer for the discrete families."""
    mp = mpmath
    x = mp.mpf(x)
    prm = [mp.mpf(v) for v in prm]
    if fam == "norm":
        mu, sigma = prm
        z = (x - mu) / sigma
        log_density = -z * z / 2 - mp.log(sigma) - mp.log(2 * mp.pi) / 2
        w = abs(z) / mp.sqrt(2)
        if w <= 1e4:
            return log_density, mp.erfc(-z / mp.sqrt(2)) / 2, mp.erfc(z / mp.sqrt(2)) / 2
        # Beyond mpmath's erfc: e^(-w^2) times the scaled function's
        # asymptotic series (accuracy.ref_erf).
        tail = mp.exp(-w * w) * acc.ref_erf(w, 2) / 2
        return (log_density, tail, 1 - tail) if z < 0 else (log_density, 1 - tail, tail)
    if fam in ("chisq", "gamma"):
        k, theta = (prm[0] / 2, mp.mpf(2)) if fam == "chisq" else prm
        y = x / theta
        lo, hi = gamma_tails(k, y)
        return (k - 1) * mp.log(y) - y - mp.loggamma(k) - mp.log(theta), lo, hi
    if fam == "beta":
        a, b = prm
        lo, hi = ibeta_tails(a, b, x, 1 - x)
        return (a - 1) * mp.log(x) + (b - 1) * mp.log1p(-x) - log_beta(a, b), lo, hi
    if fam == "t":
        (nu,) = prm
        a = nu / 2
        log_density = (mp.loggamma(a + mp.mpf(0.5)) - mp.loggamma(a) - mp.log(nu * mp.pi) / 2
                       - (nu + 1) / 2 * mp.log1p(x * x / nu))
        # The tail beyond |x| is I_w(nu/2, 1/2) / 2, w = nu / (nu + x^2).
        far, near = ibeta_tails(a, mp.mpf(0.5), nu / (nu + x * x), x * x / (nu + x * x))
        tail = far / 2
        return (log_density, tail, 1 - tail) if x < 0 else (log_density, 1 - tail, tail)
    if fam == "f":
        d1, d2 = prm
        s = d1 * x + d2
        lo, hi = ibeta_tails(d1 / 2, d2 / 2, d1 * x / s, d2 / s)
        log_density = ((d1 * mp.log(d1 * x) + d2 * mp.log(d2) - (d1 + d2) * mp.log(s)) / 2
                       - mp.log(x) - log_beta(d1 / 2, d2 / 2))
        return log_density, lo, hi
    if fam == "poisson":
        (lam,) = prm
        hi, lo = gamma_tails(x + 1, lam)  # P(X <= k) = Q(k + 1, lambda)
        return x * mp.log(lam) - lam - mp.loggamma(x + 1), lo, hi
    if fam == "binom":
        n, p = prm
        q = 1 - p
        log_mass = (mp.loggamma(n + 1) - mp.loggamma(x + 1) - mp.loggamma(n - x + 1)
                    + x * mp.log(p) + (n - x) * mp.log(q))
        if x >= n:
            return log_mass, mp.mpf(1), mp.mpf(0)
        hi, lo = ibeta_tails(x + 1, n - x, p, q)  # P(X > k) = I_p(k + 1, n - k)
        return log_mass, lo, hi
    if fam == "nbinom":
        r, p = prm
        q = 1 - p
        log_mass = (mp.loggamma(x + r) - mp.loggamma(r) - mp.loggamma(x + 1)
                    + r * mp.log(p) + x * mp.log(q))
        lo, hi = ibeta_tails(r, x + 1, p, q)  # P(X <= k) = I_p(r, k + 1)
        return log_mass, lo, hi
    raise KeyError(fam)


# --------------------------------------------------------------------------
# Measurements. Each returns a dict: err (ulps of the result), and for the
# quantiles the forward error, kappa, whether the first-order relation
# applies, and for the discrete ones whether k differs from the exact one.

def measure_forward(fam, x, prm, ops):
    """pdf, logpdf, cdf and sf at one point, from one exact evaluation."""
    mp = mpmath
    log_density, lo, hi = exact(fam, x, prm)
    # By this the rounding of an internal x (x/theta, z, d1 x / (d1 x + d2))
    # shows in the density.
    slope = density_slope(fam, mp.mpf(x), prm) if fam not in DISCRETE else mp.nan
    density = mp.exp(log_density)
    out = {}
    for op in ops:
        got = lib(fam, op)(x, *prm)
        ref = {"pdf": density, "logpdf": log_density, "cdf": lo, "sf": hi}[op]
        err = acc.real_error(got, ref, False)
        if math.isinf(got) and abs(ref) > sys.float_info.max and (got > 0) == (ref > 0):
            err = 0.0  # overflows, as it must
        m = {"err": err, "value": float(ref), "logf": float(log_density)}
        if op in ("pdf", "logpdf"):
            m["slope"] = float(slope)
            m["abs"] = float(abs(mp.mpf(got) - log_density)) if op == "logpdf" and math.isfinite(got) else math.nan
        else:
            # x f(x) / F(x): the relative condition of the tail in x.
            # The variable the tail is computed from: 1 - x for the beta's sf.
            scale = 1 - mp.mpf(x) if (fam, op) == ("beta", "sf") else mp.mpf(x)
            m["cond"] = float(abs(scale * density / ref)) if ref != 0 and fam not in DISCRETE else math.nan
        out[op] = m
    return out


def density_slope(fam, x, prm):
    """x (log f)'(x), the relative change of the density per relative change
    of x."""
    mp = mpmath
    prm = [mp.mpf(v) for v in prm]
    if fam == "norm":
        mu, sigma = prm
        return -(x - mu) / sigma * x / sigma
    if fam in ("chisq", "gamma"):
        k, theta = (prm[0] / 2, mp.mpf(2)) if fam == "chisq" else prm
        return (k - 1) - x / theta
    if fam == "beta":
        a, b = prm
        return (a - 1) - (b - 1) * x / (1 - x)
    if fam == "t":
        (nu,) = prm
        return -(nu + 1) * x * x / (nu + x * x)
    d1, d2 = prm
    return (d1 / 2 - 1) - (d1 + d2) / 2 * d1 * x / (d1 * x + d2)


def tail_problem(op, t):
    """The tail solved for (lower or upper) and its exact value tau <= 1/2."""
    t = mpmath.mpf(t)
    lower = (op == "quantile") == (t <= 0.5)
    tau = t if t <= 0.5 else 1 - t
    return lower, tau


class TailProblem:
    """A quantile as G(v) = tau for accuracy_inverses.solve: G the lower or
    upper tail at x, and v = log |x| but for the normal (x itself, whose
    log G is near a parabola in x). The t's tails are power laws, in whose
    logarithm Newton's method converges from anywhere; the tail at most
    1/2 puts x on its side of the median 0."""

    form = "tail"

    def __init__(self, fam, prm, lower, tau):
        self.fam, self.prm, self.lower = fam, prm, lower
        self.log_tau = mpmath.log(tau)
        self.logvar = fam != "norm"
        self.sign = -1 if fam == "t" and lower else 1

    def x_of(self, v):
        return self.sign * mpmath.exp(v) if self.logvar else v

    def g(self, v):
        """G(v) and dG/dv."""
        x = self.x_of(v)
        log_density, lo, hi = exact(self.fam, x, self.prm)
        slope = mpmath.exp(log_density) * (x if self.logvar else 1)
        return (lo, slope) if self.lower else (hi, -slope)


def solve_quantile(fam, prm, lower, tau, x0):
    """The exact crossing, by Newton's method on log G from x0."""
    problem = TailProblem(fam, prm, lower, tau)
    if problem.logvar and problem.sign * x0 <= 0:
        raise ArithmeticError("a start on the other side of the median")
    v, _ = inv.solve(problem, mpmath.log(abs(x0)) if problem.logvar else mpmath.mpf(x0))
    return problem.x_of(v)


def forward_error(fam, op, prm, x, t):
    """The library's cdf (quantile) or sf (isf) at x against the exact one,
    in ulps of the target t, and the exact value."""
    _, lo, hi = exact(fam, x, prm)
    ref = lo if op == "quantile" else hi
    got = lib(fam, "cdf" if op == "quantile" else "sf")(x, *prm)
    return float(abs(mpmath.mpf(got) - ref) / acc.ulp_of(mpmath.mpf(t), False)), ref


def measure_continuous_quantile(fam, op, t, prm):
    mp = mpmath
    nan = math.nan
    x_lib = lib(fam, op)(t, *prm)
    if math.isnan(x_lib):
        return dict(err=math.inf, fwd=nan, kappa=nan, linear=False)
    lower, tau = tail_problem(op, t)
    smallest_normal = 2.0 ** -1022

    def passes(x):
        _, lo, hi = exact(fam, x, prm)
        return lo >= tau if lower else hi <= tau

    # At an end of the doubles: right if the exact crossing lies beyond the
    # last double before that end (below the smallest positive or the most
    # negative double, which the first double already passes; above the
    # largest, or the last below 1 for the beta, which does not pass yet);
    # otherwise the solution starts from that double.
    first = -sys.float_info.max if fam in WHOLE_LINE else 5e-324
    if x_lib in (0.0, -math.inf, first) and (x_lib != 0 or fam not in WHOLE_LINE):
        x_lib = first
        if passes(x_lib):
            return dict(err=0.0, fwd=nan, kappa=nan, linear=False)
    if (x_lib == 1 and fam == "beta") or x_lib == math.inf:
        x_lib = math.nextafter(x_lib, -math.inf)
        if not passes(x_lib):
            return dict(err=0.0, fwd=nan, kappa=nan, linear=False)
    x_exact = solve_quantile(fam, prm, lower, tau, x_lib)
    err = acc.real_error(lib(fam, op)(t, *prm), x_exact, False)
    log_density, _, _ = exact(fam, x_exact, prm)
    density = mp.exp(log_density)
    unit = acc.ulp_of(mp.mpf(t), False)
    kappa = float(unit / density / acc.ulp_of(x_exact, False)) if density > 0 else math.inf
    # First order: the density at the computed result within 10 % of that at
    # the exact one, and a normal result.
    linear = False
    if abs(x_exact) >= smallest_normal and density > 0:
        ratio = mp.exp(exact(fam, x_lib, prm)[0]) / density
        linear = abs(ratio - 1) < 0.1
    fwd = nan
    below = math.nextafter(x_lib, -math.inf)
    if below != 0 or fam in WHOLE_LINE:
        fwd = max(forward_error(fam, op, prm, x_lib, t)[0], forward_error(fam, op, prm, below, t)[0])
    return dict(err=err, fwd=fwd, kappa=kappa, linear=linear)


def reaches(fam, op, prm, k, t):
    """Whether k satisfies the exact side of the pair property: cdf(k) >= p
    (quantile) or sf(k) <= q (isf); below the support it does not."""
    if k < 0:
        return False
    _, lo, hi = exact(fam, k, prm)
    t = mpmath.mpf(t)
    if op == "quantile":
        return lo >= t if t <= 0.5 else hi <= 1 - t
    return hi <= t if t <= 0.5 else lo >= 1 - t


def measure_discrete_quantile(fam, op, t, prm):
    """Whether k from the library is the exact smallest k with cdf(k) >= p
    (sf(k) <= q); if not, the exact one, and whether the target lies within
    the library's own forward error of the exact tail at the k where the two
    disagree (a tie at the forward function's rounding level)."""
    k = lib(fam, op)(t, *prm)
    out = dict(err=0.0, differs=False, tie=False, distance=0, margin=math.nan, fwd=math.nan)
    if not math.isfinite(k):
        out.update(err=math.inf, differs=True)
        return out
    k = int(k)
    if not reaches(fam, op, prm, k, t):
        # The exact k is above: the library's tail at k passes t, the exact
        # one does not.
        boundary, j = k, k + 1
        while j - k < 1000 and not reaches(fam, op, prm, j, t):
            j += 1
    elif reaches(fam, op, prm, k - 1, t):
        # The exact k is below: at k - 1 the exact tail passes t already.
        boundary, j = k - 1, k - 1
        while k - j < 1000 and reaches(fam, op, prm, j - 1, t):
            j -= 1
    else:
        return out
    fwd, ref = forward_error(fam, op, prm, boundary, t)
    margin = float(abs(ref - mpmath.mpf(t)) / acc.ulp_of(mpmath.mpf(t), False))
    out.update(differs=True, distance=abs(j - k), margin=margin, fwd=fwd, tie=margin <= fwd,
               err=float(abs(j - k)))
    return out


def measure(task):
    """Worker: one region of one family. Returns (task key, rows), a row being
    (argument tuple, {operation: measurements})."""
    kind, fam, label, points = task
    mpmath.mp.dps = DIGITS
    rows = []
    for args in points:
        try:
            if kind == "forward":
                m = measure_forward(fam, args[0], args[1:], FORWARD_OPS)
            else:
                op = kind
                if fam in DISCRETE:
                    m = {op: measure_discrete_quantile(fam, op, args[0], args[1:])}
                else:
                    m = {op: measure_continuous_quantile(fam, op, args[0], args[1:])}
        except (ArithmeticError, ValueError, ZeroDivisionError, mpmath.libmp.NoConvergence):
            continue  # mpmath could not solve it; counted as dropped
        rows.append((args, m))
    return kind, fam, label, rows


# --------------------------------------------------------------------------
# The samples. Each family has three classes of parameters; each class a
# fixed pseudo-random sample of parameter tuples per region (seeded from the
# region's name, so that samples do not move when other regions change).

def probability_parameter(rng, n):
    """Success probabilities from 1e-3 to 1 - 1e-3, log-uniform towards
    either end."""
    ps = acc.loguniform(rng, 1e-3, 0.5, n)
    flip = rng.integers(0, 2, n)
    return [float(1 - p if f else p) for p, f in zip(ps, flip)]


def logu(lo, hi):
    return lambda rng, n: [float(v) for v in acc.loguniform(rng, lo, hi, n)]


def integers(lo, hi):
    return lambda rng, n: [float(round(v)) for v in acc.loguniform(rng, lo, hi, n)]


# family: [(label, [sampler per parameter])]
PARAMETERS = {
    "norm": [("σ in [1e-3, 1], μ in [−1, 1]", [lambda r, n: acc.uniform(r, -1, 1, n), logu(1e-3, 1)]),
             ("σ in [1, 100], μ in [−100, 100]", [lambda r, n: acc.uniform(r, -100, 100, n), logu(1, 100)]),
             ("σ in [1e3, 1e6], μ in [−1e6, 1e6]", [lambda r, n: acc.uniform(r, -1e6, 1e6, n), logu(1e3, 1e6)])],
    "chisq": [("k in [0.1, 1]", [logu(0.1, 1)]), ("k in [1, 100]", [logu(1, 100)]),
              ("k in [100, 1e6]", [logu(100, 1e6)])],
    "gamma": [("shape in [1e-3, 1]", [logu(1e-3, 1), logu(1e-3, 1e3)]),
              ("shape in [1, 100]", [logu(1, 100), logu(1e-3, 1e3)]),
              ("shape in [100, 1e6]", [logu(100, 1e6), logu(1e-3, 1e3)])],
    "beta": [("a, b in [1e-3, 1]", [logu(1e-3, 1), logu(1e-3, 1)]),
             ("a, b in [1, 100]", [logu(1, 100), logu(1, 100)]),
             ("a, b in [100, 1e6]", [logu(100, 1e6), logu(100, 1e6)])],
    "t": [("ν in [0.1, 1]", [logu(0.1, 1)]), ("ν in [1, 100]", [logu(1, 100)]),
          ("ν in [100, 1e6]", [logu(100, 1e6)])],
    "f": [("d1, d2 in [0.1, 1]", [logu(0.1, 1), logu(0.1, 1)]),
          ("d1, d2 in [1, 100]", [logu(1, 100), logu(1, 100)]),
          ("d1, d2 in [100, 1e6]", [logu(100, 1e6), logu(100, 1e6)])],
    "poisson": [("λ in [1e-3, 1]", [logu(1e-3, 1)]), ("λ in [1, 1e3]", [logu(1, 1e3)]),
                ("λ in [1e3, 1e9]", [logu(1e3, 1e9)])],
    "binom": [("n in [1, 30]", [integers(1, 30), probability_parameter]),
              ("n in [30, 1e4]", [integers(30, 1e4), probability_parameter]),
              ("n in [1e4, 1e9]", [integers(1e4, 1e9), probability_parameter])],
    "nbinom": [("r in [0.1, 1]", [logu(0.1, 1), probability_parameter]),
               ("r in [1, 100]", [logu(1, 100), probability_parameter]),
               ("r in [100, 1e6]", [logu(100, 1e6), probability_parameter])],
}

TINY_FORWARD = 1e-320  # the forward points' tails reach subnormal results
TINY_TARGET = 1e-300
ONE_MINUS = 2.0 ** -53

FORWARD_REGIONS = [
    ("lower", "lower tail: x = quantile(p), 1e-320 ≤ p < 0.01"),
    ("body", "body: x = quantile(p), 0.01 ≤ p ≤ 0.99"),
    ("upper", "upper tail: x = isf(q), 1e-320 ≤ q < 0.01"),
]
TARGET_REGIONS = [
    ("lower", "{t} from 1e-300 to 0.01"),
    ("body", "0.01 ≤ {t} ≤ 0.99"),
    ("upper", "1 − {t} from 2^-53 to 0.01"),
]


def parameter_sample(fam, klass, label, n):
    rng = acc.rng_for(f"{fam} {label}")
    columns = [draw(rng, n) for draw in PARAMETERS[fam][klass][1]]
    return rng, list(zip(*columns))


def forward_points(fam, klass, where, n):
    """x spread over one region through the library's own quantile and isf,
    with its parameters; points outside the doubles dropped, repeats (the
    discrete lower ends) once. The lower tail's subnormal x, where the
    argument itself has lost digits, are a region of their own (label
    suffixed SUBNORMAL)."""
    label = PARAMETERS[fam][klass][0] + "; " + dict(FORWARD_REGIONS)[where]
    rng, prms = parameter_sample(fam, klass, label, n)
    if where == "body":
        ts = acc.uniform(rng, 0.01, 0.99, n)
    else:
        ts = acc.loguniform(rng, TINY_FORWARD, 0.01, n)
    op = "isf" if where == "upper" else "quantile"
    pts = set()
    for t, prm in zip(ts, prms):
        x = lib(fam, op)(float(t), *prm)
        # Inside the support's ends (where the densities take their limits).
        if math.isfinite(x) and (fam in WHOLE_LINE or x > 0 or fam in DISCRETE) and not (fam == "beta" and x == 1):
            pts.add((x,) + tuple(prm))
    return label, sorted(pts)


SUBNORMAL = "; x subnormal"


def split_subnormal(label, pts):
    """[(label, points)]: the points at normal x, and those at subnormal x."""
    tiny = 2.0 ** -1022
    normal = [p for p in pts if not 0 < abs(p[0]) < tiny]
    sub = [p for p in pts if 0 < abs(p[0]) < tiny]
    return [(label, normal)] + ([(label + SUBNORMAL, sub)] if sub else [])


def target_points(fam, klass, op, where, n):
    t = "p" if op == "quantile" else "q"
    label = PARAMETERS[fam][klass][0] + "; " + dict(TARGET_REGIONS)[where].format(t=t)
    rng, prms = parameter_sample(fam, klass, f"{op} {label}", n)
    if where == "body":
        ts = acc.uniform(rng, 0.01, 0.99, n)
    elif where == "lower":
        ts = acc.loguniform(rng, TINY_TARGET, 0.01, n)
    else:
        ts = [1 - v for v in acc.loguniform(rng, ONE_MINUS, 0.01, n)]
    return label, sorted({(float(v),) + tuple(prm) for v, prm in zip(ts, prms) if 0 < v < 1})


def tasks(fams, n):
    """(kind, family, label, points) of every region, in the order of the
    page: the forward regions, then the quantile's, then the isf's."""
    out = []
    for fam in fams:
        for klass in range(3):
            for where, _ in FORWARD_REGIONS:
                for label, pts in split_subnormal(*forward_points(fam, klass, where, n)):
                    out.append(("forward", fam, label, pts))
        for op in ("quantile", "isf"):
            for klass in range(3):
                for where, _ in TARGET_REGIONS:
                    label, pts = target_points(fam, klass, op, where, n)
                    out.append((op, fam, label, pts))
    return out


# --------------------------------------------------------------------------
# Output.

def region_rows(results, fam, op):
    """(label, [measurements]) of one family's operation, region by region."""
    out = []
    for kind, f, label, rows in results:
        if f != fam or not rows:
            continue
        if (kind == "forward") != (op in FORWARD_OPS) or (kind != "forward" and kind != op):
            continue
        out.append((label, [(args, m[op]) for args, m in rows]))
    return out


def explained(m):
    """The quantile's error over 1 + kappa * forward error, where the
    first-order relation applies."""
    if not (m.get("linear") and math.isfinite(m["fwd"]) and math.isfinite(m["kappa"])):
        return math.nan
    return m["err"] / (1 + m["kappa"] * m["fwd"])


def summarize(fam, op, rows):
    errs = [m["err"] for _, m in rows]
    worst, _, nonfinite = acc.stats(errs)
    finite = [e for e in errs if math.isfinite(e)]
    s = {"worst": rows[worst], "max": errs[worst], "nonfinite": nonfinite,
         "median": statistics.median(finite) if finite else math.nan,
         "ratio": inv.finite_max(explained(m) for _, m in rows),
         "beyond": sum(1 for _, m in rows if op in ("quantile", "isf") and fam not in DISCRETE
                       and not m["linear"]),
         "differ": sum(1 for _, m in rows if m.get("differs")),
         "ties": sum(1 for _, m in rows if m.get("tie"))}
    return s


def fmt_args(args):
    return ", ".join(repr(v) for v in args)


def at_worst(fam, op, m):
    """What explains the largest error of a row: the quantities at the point."""
    g = inv.fmt_ulps
    if op in ("pdf", "logpdf"):
        text = f"log f = {m['logf']:.4g}"
        if math.isfinite(m.get("slope", math.nan)):
            text += f", x·(log f)′ = {m['slope']:.3g}"
        if op == "logpdf" and math.isfinite(m.get("abs", math.nan)):
            text += f", absolute error {m['abs']:.2g}"
        return text
    if op in ("cdf", "sf"):
        text = f"value {m['value']:.3g}"
        if math.isfinite(m.get("cond", math.nan)):
            text += f", {'(1 − x)' if (fam, op) == ('beta', 'sf') else 'x'}·f/F = {m['cond']:.3g}"
        return text
    if fam in DISCRETE:
        if not m["differs"]:
            return "–"
        return (f"exact k {'+' if m['err'] else ''}{m['distance']} away; target {g(m['margin'])} ulp from "
                f"the exact tail there, the library's tail {g(m['fwd'])} ulp off")
    text = f"κ = {inv.fmt_kappa(m['kappa'])}, forward error {g(m['fwd'])} ulp of the target"
    if not m["linear"]:
        text = ("an end of the doubles, exact crossing beyond it" if m["err"] == 0 and math.isnan(m["fwd"])
                else text + " (beyond first order)")
    return text


# What the measurements of each family show, and why (written from the full
# run; the tables below them are generated).
NOTES = {
    "norm": [
        "The densities and tails are limited by their conditioning alone. The pdf's error is",
        "|log f| ulps or less (e^(−z²/2) with z²/2 exact to an ulp), up to some 1900 where the",
        "density nears the smallest normal double; the cdf and sf carry the rounding of",
        "z = (x − μ)/σ times about z², up to some 3000 ulps in the far tails. The quantiles'",
        "large errors are all for targets near 1 in double (κ up to 1e13): error / (1 + κ·forward)",
        "stays at 1.",
    ],
    "chisq": [
        "The chi-square is the gamma with shape k/2 and scale 2 (x/2 exact). For k up to 100",
        "the densities are within about |log f| ulps and the tails within some 1200 ulps. For k",
        "from 100 to 1e6 the density carries the deviance term of Loader's form, whose terms",
        "of some thousands cancel to log f (up to about 1.6e4 ulps), and the cdf and sf carry",
        "cephes' P and Q at large shapes, whose prefactor x^a e^(−x) loses absolute accuracy in",
        "proportion to its exponent (up to about 1e7 ulps, a relative 1e-9, at k near 1e6). At",
        "subnormal x the density and the lower tail are no better than x itself, which has only",
        "a few bits.",
    ],
    "gamma": [
        "As for the chi-square: the densities within about |log f| ulps for shapes up to 100",
        "and up to about 1.3e4 ulps beyond (the deviance term); the tails lose the prefactor's",
        "absolute accuracy for shapes from 100 on (up to about 2e7 ulps, a relative 2e-9, near",
        "1e6; from 1e9 on the uniform expansion takes over). At subnormal x, x/θ keeps only the",
        "bits of the subnormal: the density, the cdf and even the sf of shapes below 1 (whose",
        "cdf is not small there) lose accordingly.",
    ],
    "beta": [
        "The densities are within about |log f| ulps for a, b up to 100 and up to about 2e4",
        "ulps beyond (the deviance terms), down to x = 5e-324. The cdf loses cephes' prefactor",
        "accuracy for large a and b (up to about 1.4e7 ulps). The sf is I_(1−x)(b, a) where",
        "1 − x is exact, and 1 − cdf from the exact x where 1 − x has rounded and that side is",
        "the better one (see distributions.md). The sf is 0 in a band just below the smallest",
        "normal double (2.2e-308 exactly, the 4.5e15-ulp rows of sf and isf), where cephes has",
        "underflowed and the series that recomputes such tails does not converge fast enough",
        "to be taken.",
    ],
    "t": [
        "The densities stay within |log f| ulps (the closed form of the log-gamma ratio holds",
        "for ν to 1e6 and beyond). The tails are I_w(ν/2, 1/2)/2: for ν from 100 to 1e6 they",
        "carry cephes' I_x at large a (up to about 8e6 ulps, a relative 1e-9); for smaller ν",
        "a few hundred ulps at most. The quantiles' largest errors are targets near 1 with ν",
        "below 1 (κ near 1e16), error / (1 + κ·forward) at 1.",
    ],
    "f": [
        "The densities are within about |log f| ulps for d1, d2 up to 100 and up to about",
        "1.5e4 ulps beyond (the deviance terms); at subnormal x they and the cdf lose the bits",
        "of x. The tails are I_y(d1/2, d2/2) and I_(1−y)(d2/2, d1/2) with y and 1 − y both",
        "ratios, each tail taken from the exact one of the two where the other has rounded",
        "(see distributions.md). The quantiles' largest errors are targets near 1 with",
        "parameters below 1 (κ near 1e16), error / (1 + κ·forward) at 1.05 at most.",
    ],
    "poisson": [
        "The mass is exp of Loader's form, whose deviance bd0(k, λ) has terms k·log(k/λ) of",
        "some thousands that cancel to log f: the pmf's error reaches about 1.5e4 ulps where",
        "they are largest, the logpmf's some tens. The tails take cephes' Q and P below",
        "λ = 1e9 (up to some 1e4 ulps for λ up to 1e3), which drift to a relative 2e-6",
        "(1.6e10 ulps) near λ = 9e8, and the uniform expansion from 1e9. Every quantile and",
        "isf that differs from the exact smallest k does so at a tie: the target lies within",
        "the library's own cdf (sf) error of a tail value.",
    ],
    "binom": [
        "The pmf carries the deviance terms of Loader's form as the Poisson does (up to about",
        "1.2e5 ulps at n near 3e8, where they are largest). The tails take cephes' I_x while",
        "min(n − k, k + 1) is below 2e6, which drifts where one parameter is large and the",
        "other not (a relative 6e-6 at n = 2.7e8 with k = 4e5; about 1e5 ulps for n up to",
        "1e4). The sf is 0 in a band just below the smallest normal double (2.2e-308 exactly,",
        "the 4.5e15-ulp row), as the beta's is. Every differing quantile is a tie.",
    ],
    "nbinom": [
        "As for the binomial: the pmf up to about 1.5e4 ulps from the deviance terms, the",
        "tails with cephes' I_x drifting for a large r with a moderate k (1e10 ulps at",
        "r = 2.8e5) and for a small r with a large k (8e6 ulps at r = 0.27, k = 4.6e5), the",
        "sf 0 just below the smallest normal double (the 4.5e15-ulp row). Every differing",
        "quantile is a tie.",
    ],
}

HEADER = ["| Operation | Region | Points | Max ULP | Median ULP | Max of error / (1 + κ·forward) | "
          "Differ from the exact k (at a tie) | Worst argument (x or target, parameters) | At the worst |",
          "|---|---|---:|---:|---:|---:|---:|---|---|"]


def row_cells(fam, op, s, n):
    discrete_q = fam in DISCRETE and op in ("quantile", "isf")
    note = f" ({s['nonfinite']} non-finite)" if s["nonfinite"] else ""
    points = f"{n} ({s['beyond']} beyond)" if s["beyond"] else str(n)
    if discrete_q:
        return points, "–", "–", "–", f"{s['differ']} ({s['ties']})"
    return (points, acc.fmt_error(s["max"]) + note, acc.fmt_error(s["median"]),
            inv.fmt_ratio(s["ratio"]) if op in ("quantile", "isf") else "–", "–")


def family_table(results, fam):
    lines = list(HEADER)
    for op in OPERATIONS:
        for label, rows in region_rows(results, fam, op):
            s = summarize(fam, op, rows)
            cells = row_cells(fam, op, s, len(rows))
            lines.append(f"| `{op}` | {acc.md_cell(label)} | " + " | ".join(cells) +
                         f" | {fmt_args(s['worst'][0])} | {acc.md_cell(at_worst(fam, op, s['worst'][1]))} |")
    return lines


def summary_table(results):
    """One row per family and operation over its regions at normal x (the
    worst of those named), and the largest error with the subnormal x."""
    lines = ["| Family | Operation | Points | Max ULP | Median ULP | Max of error / (1 + κ·forward) | "
             "Differ from the exact k (at a tie) | Worst region | Max ULP, with subnormal x |",
             "|---|---|---:|---:|---:|---:|---:|---|---:|"]
    for fam, _, _, _ in families():
        for op in OPERATIONS:
            regions = region_rows(results, fam, op)
            normal = [(label, rs) for label, rs in regions if not label.endswith(SUBNORMAL)]
            rows = [r for _, rs in normal for r in rs]
            if not rows:
                continue
            labels = [label for label, rs in normal for _ in rs]
            s = summarize(fam, op, rows)
            worst_label = labels[[id(r) for r in rows].index(id(s["worst"]))]
            cells = row_cells(fam, op, s, len(rows))
            every = [r for _, rs in regions for r in rs]
            with_sub = "–"
            if len(every) > len(rows):
                a = summarize(fam, op, every)
                with_sub = acc.fmt_error(a["max"]) + (f" ({a['nonfinite']} non-finite)" if a["nonfinite"] else "")
            lines.append(f"| {fam} | `{op}` | " + " | ".join(cells) + f" | {acc.md_cell(worst_label)} | {with_sub} |")
    return lines


INTRO = [
    "Every family and operation of libvarnel-stats (see [distributions.md](distributions.md)) is",
    "evaluated by the library on a fixed pseudo-random sample and compared with the exact value at",
    f"{DIGITS} significant digits: the densities from their closed forms with mpmath's `loggamma`;",
    "the cdf and sf from mpmath's `erfc` (normal), `gammainc(a, 0, x)` and `gammainc(a, x, ∞)`",
    "(regularized: chi-square, gamma, Poisson) and the continued fraction of I_x(a, b),",
    "x^a (1−x)^b / (a B(a, b)) / (1 + d1/(1 + d2/(1 + …))), evaluated by mpmath on the side",
    "where it converges (beta, t, F, binomial, negative binomial; mpmath's own `betainc` sums a",
    "hypergeometric series that does not converge for parameters in the thousands, and loses",
    "digits in the far tails at 30 digits). Likewise for shapes from 1e5, where `gammainc`'s",
    "series does not converge, P comes from that fraction's limit for the incomplete gamma",
    "function and Q from Legendre's continued fraction. Each family has three classes of",
    "parameters, and each class three regions:",
    "",
    "- *pdf, logpdf, cdf, sf*: points x = quantile(p) of the library itself for p log-uniform",
    "  from 1e-320 to 0.01 (lower tail) and uniform in the body, and x = isf(q) for q from",
    "  1e-320 (upper tail), so that the tails are measured down to subnormal results. The same",
    "  points serve the four operations. The error is |computed − exact| / ulp(exact)",
    "  (the smallest subnormal spacing where the exact value is subnormal).",
    "- *quantile, isf*: targets from 1e-300 to 0.01, in the body, and with 1 − target from",
    "  2^-53 to 0.01. The exact result is the crossing of the exact tail (the one at most 1/2 at",
    "  the solution), solved by Newton's method from the library's result. Its error is given in",
    "  ulps of x, and beside it, as on [inverses-accuracy.md](inverses-accuracy.md), the",
    "  condition κ = |dx/dp| · ulp(p) / ulp(x) (ulps of x that one ulp of the target moves) and",
    "  the error of the library's own cdf (sf) at the result and the double below it, in ulps of",
    "  the target. The quantile returns the crossing of that cdf, so its error is at most about",
    "  1 + κ·forward ulps; *Max of error / (1 + κ·forward)* at or below about 1 shows that",
    "  the quantile adds no error of its own to its forward function's and the conditioning. Points",
    "  counted as *beyond* are results at an end of the doubles (underflow to 0, 1 for the beta,",
    "  overflow) or where the density changes by more than 10 % between the computed and the",
    "  exact result; they are right if the exact crossing lies beyond the last double before that",
    "  end (then counted as 0 ulp).",
    "- *discrete quantile, isf*: the exact result is the smallest k with cdf(k) ≥ p (sf(k) ≤ q),",
    "  checked with mpmath's tails at k and k − 1; the column counts the results that differ.",
    "  The library's k satisfies the pair property against its own cdf and sf to the bit, so it",
    "  can differ only where the target lies between the exact tail at some k and the library's",
    "  value there, that is within the forward function's error of a tail value: a *tie* at the",
    "  rounding level of the forward function. The count in brackets is of those; a difference",
    "  that is not a tie would be a fault of the quantile.",
    "",
    "*At the worst* gives what explains the largest error: for the densities log f and",
    "x·(log f)′, the relative change of the density per relative change of x (the rounding of",
    "an internal x/θ, z = (x − μ)/σ or d1x/(d1x + d2) shows in the result multiplied by it); for",
    "the cdf and sf the value and x·f/F, the same for the tail; for the quantiles κ and the",
    "forward error. The lower tails' points at subnormal x, where the argument itself has lost",
    "digits, are a region of their own; the summary's columns leave them out but for the last.",
]

DENSITY_STATEMENT = [
    "## Where pdf and logpdf are accurate",
    "",
    "The densities are formed as logarithms: Loader's saddle-point kernel (stirlerr and bd0) for",
    "the gamma, beta, F, Poisson, binomial and negative binomial, a closed form of the log-gamma",
    "ratio for the t, −z²/2 for the normal. libvarnel's log-gamma (`specfun::d_lngamma`, at most",
    "3.9 ulp, [accuracy.md](accuracy.md)) enters only at small arguments: stirlerr(m) takes",
    "log Γ(m + 1) for m ≤ 15 (values up to 28), the Poisson kernel log Γ(x + 1) for x < 1, and",
    "the gamma density log Γ(k) for shapes below 1 (about −log k). There its error adds at most",
    "3.9 ulps of those values, about 1e-14 absolute, to log f: at most some 50 ulps of the pdf,",
    "and of the logpdf where |log f| is below 1. Everywhere else the terms are Stirling's series",
    "and Loader's deviance, computed without the log-gamma function. So, as measured below:",
    "",
    "- logpdf keeps an absolute error of a few units of 2^-53 times its largest term, which is",
    "  a few ulps of log f wherever |log f| is not small against that term (at most some tens",
    "  of ulps for parameters to 100, up to some 600 where the deviance terms of large",
    "  parameters cancel); where the density is near 1 (log f near 0) the absolute error stays",
    "  at that level while the ulps of the result shrink.",
    "- pdf = exp(log f) has a relative error equal to the absolute error of log f: the",
    "  conditioning of exp makes that about |log f| ulps in the far tails (up to some 700",
    "  where f nears the smallest normal double), a few ulps in the body, and the deviance",
    "  terms of large parameters (thousands, up to 1e5 for the binomial at n = 3e8) add their",
    "  size times 2^-53.",
    "- the rounding of the argument's internal transformations (x/θ, (x − μ)/σ, d1x/(d1x + d2),",
    "  x²/ν) costs x·(log f)′ times half an ulp of the density (the normal's 1900 ulps at",
    "  z² = 1400); *At the worst* shows it.",
    "- at subnormal x the transformations keep only the bits the subnormal has (x/θ rounded to",
    "  a few bits): the densities there are no better than that rounding, and the beta's and",
    "  F's logpdf are −∞ at the smallest subnormals where the density is finite (see their",
    "  sections).",
]


def write_page(out_dir, results, quick, command, missing, seconds, dropped):
    points = sum(len(r[3]) for r in results)
    lines = acc.stats_page_head("Accuracy of the distributions (libvarnel-stats)", "tools/accuracy_distributions.py",
                                "a whole distribution accuracy run", command, INTRO,
                                f": {points} points ({dropped} more that mpmath could not solve) in {seconds:.0f} s.",
                                quick, missing)
    lines += ["## Summary", ""] + summary_table(results) + [""]
    lines += ["![Quantile error against 1 + κ·forward error](accuracy-distributions.png)", ""]
    lines += DENSITY_STATEMENT + [""]
    for fam, _, params, name in families():
        if not any(r[1] == fam and r[3] for r in results):
            continue
        lines += [f"## {name[0].upper() + name[1:]} (`{fam}`, parameters {params})", ""]
        lines += NOTES.get(fam, []) + ([""] if fam in NOTES else [])
        lines += family_table(results, fam) + [""]
    with open(os.path.join(out_dir, "distributions-accuracy.md"), "w") as f:
        f.write("\n".join(lines))


def plot(results, path):
    """The continuous quantiles' and isf's error against 1 + kappa * forward
    error, every point where the first-order relation applies, one panel
    per family."""
    panels = []
    for fam, _, _, _ in families():
        if fam in DISCRETE:
            continue
        measured = [m[kind] for kind, f, _, rows in results if f == fam and kind in ("quantile", "isf")
                    for _, m in rows]
        points = [(1 + q["kappa"] * q["fwd"], q["err"]) for q in measured
                  if q["linear"] and all(math.isfinite(q[k]) for k in ("err", "fwd", "kappa"))]
        if points:
            panels.append((f"{fam}: quantile and isf", points))
    return inv.error_panels(panels, path, "Continuous quantiles: error against what the cdf's (sf's) error and "
                            "the conditioning allow (points on or below the line: nothing added; below "
                            "0.01 ULP drawn at 0.01)")


def summary_block(results):
    return "\n".join(summary_table(results)) + (
        "\n\n(Generated by `tools/accuracy_distributions.py`; the regions, the columns and the tables "
        "per region are in [distributions-accuracy.md](distributions-accuracy.md).)\n")


def main():
    parser = inv.stats_parser(__doc__.splitlines()[0], "points per region (default 80, 2 with --quick)",
                              min(2, os.cpu_count() or 1),
                              "write the report from measurements kept by --save-json, measuring nothing")
    opts = parser.parse_args()
    _PATH["stats"] = os.path.join(os.path.dirname(os.path.abspath(opts.lib)), "libvarnel-stats.so.0")
    n = opts.points or (2 if opts.quick else 80)
    os.makedirs(opts.out, exist_ok=True)
    if opts.from_json:
        with open(opts.from_json) as f:
            saved = json.load(f)
        results = [(kind, fam, label, [(tuple(args), m) for args, m in rows])
                   for kind, fam, label, rows in saved["results"]]
        return report(opts.out, results, saved["quick"], saved["command"], saved["missing"],
                      saved["seconds"], saved["dropped"])
    available = load_distributions(_PATH["stats"])
    missing = [f"d_{fam}_{op}" for fam, _, _, _ in families() for op in OPERATIONS
               if (fam, op) not in available]
    present = [fam for fam, _, _, _ in families() if all((fam, op) in available for op in OPERATIONS)]
    work = tasks(present, n)
    # Regions cut into chunks so that both workers stay busy; map() keeps
    # the order.
    chunks = []
    for kind, fam, label, pts in work:
        step = max(5, len(pts) // 4)
        for k in range(0, len(pts), step):
            chunks.append((kind, fam, label, pts[k:k + step]))
    started = time.monotonic()
    with multiprocessing.Pool(opts.jobs) as pool:
        parts = pool.map(measure, chunks, chunksize=1)
    seconds = time.monotonic() - started
    merged = {}
    for kind, fam, label, rows in parts:
        merged.setdefault((kind, fam, label), []).extend(rows)
    results = [(kind, fam, label, merged.get((kind, fam, label), [])) for kind, fam, label, _ in work]
    dropped = sum(len(w[3]) for w in work) - sum(len(r[3]) for r in results)
    command = "/usr/bin/python3 tools/accuracy_distributions.py"
    if opts.quick:
        command += " --quick"
    if opts.points:
        command += f" --points {opts.points}"
    if opts.save_json:
        with open(opts.save_json, "w") as f:
            json.dump({"command": command, "quick": opts.quick, "missing": missing, "seconds": seconds,
                       "dropped": dropped, "results": results}, f)
    return report(opts.out, results, opts.quick, command, missing, seconds, dropped)


def report(out_dir, results, quick, command, missing, seconds, dropped):
    plot(results, os.path.join(out_dir, "accuracy-distributions.png"))
    write_page(out_dir, results, quick, command, missing, seconds, dropped)
    block = acc.refresh_block(out_dir, "distributions", summary_block(results))
    points = sum(len(r[3]) for r in results)
    print(f"{points} points in {len(results)} regions ({dropped} that mpmath could not solve) in "
          f"{seconds:.0f} s; report in {os.path.join(out_dir, 'distributions-accuracy.md')}"
          f"{'' if block else ' (no summary block in accuracy.md)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
