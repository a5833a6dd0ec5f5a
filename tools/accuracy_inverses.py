#!/usr/bin/python3
"""Measures the accuracy of the inverse functions of libvarnel-stats against mpmath.

Every inverse returns the double (or float) at which the library's own forward
function crosses the target, so its error is the forward function's error at
that point carried through the problem's conditioning. This tool shows it:
for every function and region (small, body and large parameters; targets in
the lower tail from 1e-300, in the body and in the upper tail) a fixed
pseudo-random sample is evaluated by the built library and compared with the
exact inverse, mpmath's forward function at 30 significant digits solved by
Newton's method in a logarithmic variable from the library's result. Beside
the inverse's error stand

  the forward function's error at the inverse's result: the library's forward
  function there against mpmath's, in ulps of the target;
  the condition, kappa = |dx/dp| ulp(p) / ulp(x): ulps of the result that one
  ulp of the target moves; and
  the ratio of the inverse's error to 1 + kappa * forward error, which is
  about what the crossing property allows (one ulp of the result for the
  crossing itself, kappa ulps for each ulp of p the forward function is off).

It writes OUT/inverses-accuracy.md with OUT/accuracy-inverses.png (the error
against 1 + kappa * forward error) and refreshes the summary block of
OUT/accuracy.md (<!-- inverses --> ... <!-- /inverses -->), which
tools/accuracy.py keeps when it rewrites that page.

  /usr/bin/python3 tools/accuracy_inverses.py                    full run (docs/)
  /usr/bin/python3 tools/accuracy_inverses.py --quick --out DIR  reduced run (CI)

libvarnel-stats.so.0 is loaded from the directory of --lib (the C interface,
libvarnel-c.so.0, through which the forward functions are called). The
sampling, the ulp and the output helpers are tools/accuracy.py's.
"""

import argparse
import ctypes
import json
import math
import multiprocessing
import os
import re
import sys
import time

import mpmath

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accuracy as acc  # noqa: E402  (the sibling tool's helpers)

ROOT = acc.ROOT
FLT_TRUE_MIN = 2.0 ** -149
ONE_MINUS = 2.0 ** -53  # the smallest 1 - p of a double p below 1
ONE_MINUS_F = 2.0 ** -24

# The forward function each inverse crosses (see <varnel/stats.h>), and the
# kind of target: lower (P, I, erf) or upper (Q, J, erfc).
FORWARD = {
    "d_erf_inv": "erf", "s_erf_inv": "erf", "d_erfc_inv": "erfc", "s_erfc_inv": "erfc",
    "d_igamma_inv": "P", "d_igamc_inv": "Q", "d_ibeta_inv": "I", "d_ibetac_inv": "J",
}
FORWARD_TEXT = {
    "erf": "specfun::d_calerf(x, 0)", "erfc": "specfun::d_calerf(x, 1)",
    "P": "cephes::d_igamma(a, x)", "Q": "cephes::d_igamc(a, x)",
    "I": "cephes::d_ibeta(a, b, x)", "J": "cephes::d_ibeta(b, a, 1 - x)",
}
ORDER = ["d_erf_inv", "s_erf_inv", "d_erfc_inv", "s_erfc_inv", "d_igamma_inv", "d_igamc_inv",
         "d_ibeta_inv", "d_ibetac_inv"]


# --------------------------------------------------------------------------
# The libraries.

STATS_SIGNATURES = {
    "SP": (ctypes.c_float, [ctypes.c_float]),
    "DP": (ctypes.c_double, [ctypes.c_double]),
    "DDP": (ctypes.c_double, [ctypes.c_double, ctypes.c_double]),
    "DDDP": (ctypes.c_double, [ctypes.c_double, ctypes.c_double, ctypes.c_double]),
}


def stats_functions():
    """(name, signature tag) of every inverse, from include/varnel/stats.h."""
    with open(os.path.join(ROOT, "include", "varnel", "stats.h")) as f:
        return re.findall(r"X\((\w+), (\w+), \"", f.read())


def load_stats(path):
    lib = ctypes.CDLL(path)
    table = {}
    for name, sig in stats_functions():
        try:
            fn = getattr(lib, "varnel_stats_" + name)
        except AttributeError:
            continue
        fn.restype, fn.argtypes = STATS_SIGNATURES[sig]
        table[name] = fn
    return table


_PATHS = {}
_LIBS = {}


def libraries():
    if not _LIBS:
        _LIBS["stats"] = load_stats(_PATHS["stats"])
        _LIBS["c"] = acc.load_library(_PATHS["c"])
    return _LIBS["stats"], _LIBS["c"]


def single(fname):
    return fname.startswith("s_")


def forward_lib(fname, args, x):
    """The library's forward function of fname at x."""
    _, c = libraries()
    kind = FORWARD[fname]
    if kind in ("erf", "erfc"):
        fn = c["specfun::s_calerf" if single(fname) else "specfun::d_calerf"]
        return fn(x, 0 if kind == "erf" else 1)
    if kind == "P":
        return c["cephes::d_igamma"](args[0], x)
    if kind == "Q":
        return c["cephes::d_igamc"](args[0], x)
    if kind == "I":
        return c["cephes::d_ibeta"](args[0], args[1], x)
    return c["cephes::d_ibeta"](args[1], args[0], 1.0 - x)


# --------------------------------------------------------------------------
# The exact inverse. Each problem is put as G(v) = tau with G a tail of the
# forward function that is at most 1/2 at the solution (so that tau, computed
# exactly from the double target, keeps all its digits) and v a variable in
# which Newton's method converges from anywhere near: log x for results near
# 0, log(1 - x) for beta results near 1, x itself for the erfc form.

class Problem:
    """One inverse at one target as G(v) = tau: `form` names the tail G (erf
    or erfc of |x|, P, Q, I or J), `tau` its exact value at the solution, and
    v is log x, log(1 - x) (`on_complement`, beta results near 1) or, for
    the erfc form, |x| itself."""

    def __init__(self, fname, args):
        mp = mpmath
        self.fname = fname
        self.args = args
        kind = FORWARD[fname]
        target = mp.mpf(args[-1])
        self.sign = 1
        if kind in ("erf", "erfc"):
            # y = |x| with erf(y) = t, t = |p| for erf_inv and |1 - q| for
            # erfc_inv (exact); solved as erf(y) = t (t <= 1/2, y in log
            # space) or erfc(y) = 1 - t (y itself).
            # Every difference below is exact: a double p in [1/2, 1] has
            # 1 - p exactly, one in [1, 2] has 2 - p.
            if kind == "erf":
                self.sign = -1 if target < 0 else 1
                t = abs(target)
                erfc_y = 1 - t
            else:
                self.sign = -1 if target > 1 else 1
                t = abs(1 - target)
                erfc_y = target if target <= 1 else 2 - target
            if t <= 0.5:
                self.form, self.tau = "erf", t
            else:
                self.form, self.tau = "erfc", erfc_y
        elif kind in ("P", "Q"):
            # The target's own tail where it is at most 1/2, else the other
            # one at 1 - target (exact for a double at least 1/2).
            if target <= 0.5:
                self.form, self.tau = kind, target
            else:
                self.form, self.tau = ("Q" if kind == "P" else "P"), 1 - target
            self.a = mp.mpf(args[0])
            self.log_gamma_a = mp.loggamma(self.a)
        else:
            if target <= 0.5:
                self.form, self.tau = kind, target
            else:
                self.form, self.tau = ("J" if kind == "I" else "I"), 1 - target
            self.a, self.b = mp.mpf(args[0]), mp.mpf(args[1])
            self.log_beta = mp.loggamma(self.a) + mp.loggamma(self.b) - mp.loggamma(self.a + self.b)
        self.log_tau = mp.log(self.tau)
        self.on_complement = False  # for the beta forms: v = log(1 - x)

    def v_of(self, x):
        """The variable at the double x."""
        mp = mpmath
        x = mp.mpf(x)
        if self.form == "erfc":
            return abs(x)
        if self.on_complement:
            return mp.log(1 - x)
        return mp.log(abs(x))

    def x_and_y(self, v):
        """x and 1 - x (the latter only for the beta forms)."""
        mp = mpmath
        if self.form == "erfc":
            return v, None
        if self.on_complement:
            y = mp.exp(v)
            return 1 - y, y
        x = mp.exp(v)
        return x, (1 - x if self.form in ("I", "J") else None)

    def x_value(self, v):
        x, _ = self.x_and_y(v)
        return self.sign * x

    def density(self, x, y):
        """|dF/dx| of the forward function at x (1 - x = y)."""
        mp = mpmath
        if self.form in ("erf", "erfc"):
            return 2 / mp.sqrt(mp.pi) * mp.exp(-x * x)
        if self.form in ("P", "Q"):
            return mp.exp((self.a - 1) * mp.log(x) - x - self.log_gamma_a)
        return mp.exp((self.a - 1) * mp.log(x) + (self.b - 1) * mp.log(y) - self.log_beta)

    def g(self, v):
        """G(v) and dG/dv."""
        mp = mpmath
        x, y = self.x_and_y(v)
        dens = self.density(x, y)
        if self.form == "erf":
            return mp.erf(x), dens * x
        if self.form == "erfc":
            return mp.erfc(x), -dens
        if self.form == "P":
            return mp.gammainc(self.a, 0, x, regularized=True), dens * x
        if self.form == "Q":
            return mp.gammainc(self.a, x, mp.inf, regularized=True), -dens * x
        dxdv = -y if self.on_complement else x
        if self.form == "I":
            return mp.betainc(self.a, self.b, 0, x, regularized=True), dens * dxdv
        return mp.betainc(self.b, self.a, 0, y, regularized=True), -dens * dxdv

    def start(self, x_lib):
        """The variable at the library's result, or an approximation where
        that is no start (0, 1, infinite)."""
        mp = mpmath
        if self.form in ("I", "J"):
            self.on_complement = math.isfinite(x_lib) and x_lib > 0.5
        usable = math.isfinite(x_lib) and x_lib != 0 and (self.form not in ("I", "J") or x_lib < 1)
        if self.form == "erfc":
            usable = math.isfinite(x_lib)
        if usable:
            return self.v_of(x_lib), True
        if self.form == "erf":
            return self.log_tau + mp.log(mp.sqrt(mp.pi) / 2), False
        if self.form == "erfc":
            return mp.sqrt(-self.log_tau), False
        if self.form == "P":
            return (self.log_tau + mp.loggamma(self.a + 1)) / self.a, False
        if self.form == "Q":
            return mp.log(self.a - self.log_tau), False
        # Beta forms: the power law at the end the tail is at.
        at_zero = (self.form == "I")
        power = self.a if at_zero else self.b
        self.on_complement = not at_zero
        return (self.log_tau + mp.log(power) + self.log_beta) / power, False


def solve(problem, v):
    """Newton's method on log G(v) = log tau; returns v, and G with dG/dv at
    the start (for the forward error there). A step that lands where G
    vanishes (beyond mpmath's range) is halved until it does not."""
    mp = mpmath
    gv, dg = problem.g(v)
    first = (gv, dg)
    tolerance = mp.mpf(10) ** -(acc.DIGITS - 4)
    for _ in range(100):
        if gv <= 0 or dg == 0:
            raise ArithmeticError("no value at the start")
        step = (mp.log(gv) - problem.log_tau) / (dg / gv)
        for _ in range(60):
            trial = v - step
            if problem.form == "erfc" and trial < 0:
                step /= 2
                continue
            g_trial, dg_trial = problem.g(trial)
            if g_trial > 0 and dg_trial != 0:
                break
            step /= 2
        else:
            raise ArithmeticError("no step")
        v, gv, dg = trial, g_trial, dg_trial
        if abs(step) <= tolerance * max(1, abs(v)):
            return v, first
    raise ArithmeticError("no convergence")


def previous(x, sgl):
    """The next number of the result's format towards minus infinity."""
    if sgl:
        return float(acc.np.nextafter(acc.np.float32(x), acc.np.float32(-math.inf)))
    return math.nextafter(x, -math.inf)


def exact_forward(problem, x):
    """mpmath's forward function of the inverse at the double x, or None
    where the problem's variable does not reach it (x = 0, 1)."""
    try:
        v = problem.v_of(x)
    except (ValueError, ZeroDivisionError):
        return None
    if not mpmath.isfinite(v) or isinstance(v, mpmath.mpc):
        return None
    return forward_from_g(problem, problem.g(v)[0])


def measure_point(fname, args):
    """The inverse's error at one argument tuple: a dict of the error in
    ulps, the relative error, the backward error and the forward function's
    error (at the result and at the number below it, the larger) in ulps of
    the target, kappa, and whether the first-order relation between them
    applies (a normal exact result, and the computed one within a relative
    1e-6 of it)."""
    mp = mpmath
    stats_lib, _ = libraries()
    x_lib = stats_lib[fname](*args)
    sgl = single(fname)
    nan = math.nan
    if not math.isfinite(x_lib):
        return dict(err=math.inf, rel=math.inf, back=nan, fwd=nan, kappa=nan, linear=False, normal=True)
    problem = Problem(fname, args)
    v0, _ = problem.start(x_lib)
    v, _ = solve(problem, v0)
    x_exact = problem.x_value(v)
    err = acc.real_error(x_lib, x_exact, sgl)
    rel = float(abs(mp.mpf(x_lib) - x_exact) / abs(x_exact)) if x_exact != 0 else math.inf
    target = mp.mpf(args[-1])
    unit = acc.ulp_of(target, sgl)
    xs, ys = problem.x_and_y(v)
    dens = problem.density(xs, ys)
    kappa = float(unit / dens / acc.ulp_of(x_exact, sgl)) if dens > 0 else math.inf
    smallest_normal = 2.0 ** -126 if sgl else 2.0 ** -1022
    normal = abs(x_exact) >= smallest_normal
    # First order: the forward function's slope at the computed result within
    # 10 % of its slope at the exact one.
    linear = False
    if normal and x_lib != 0 and dens > 0:
        try:
            v_lib = problem.v_of(x_lib)
            if mp.isfinite(v_lib) and not isinstance(v_lib, mp.mpc):
                ratio = problem.density(*problem.x_and_y(v_lib)) / dens
                linear = abs(ratio - 1) < 0.1
        except (ValueError, ZeroDivisionError):
            pass
    back = fwd = nan
    at_result = exact_forward(problem, x_lib)
    if at_result is not None:
        back = float(abs(at_result - target) / unit)
        fwd = float(abs(mp.mpf(forward_lib(fname, args, x_lib)) - at_result) / unit)
        below = previous(x_lib, sgl)
        at_below = exact_forward(problem, below) if linear else None
        if at_below is not None:
            fwd = max(fwd, float(abs(mp.mpf(forward_lib(fname, args, below)) - at_below) / unit))
    return dict(err=err, rel=rel, back=back, fwd=fwd, kappa=kappa, linear=linear, normal=normal)


def forward_from_g(problem, g):
    """The exact forward function of the inverse (erf, erfc, P, Q, I, J) from
    the value g of the tail that the problem solves, without cancellation
    where the forward value is small."""
    kind = FORWARD[problem.fname]
    if kind in ("erf", "erfc"):
        if problem.form == "erf":  # g = erf(|x|)
            erf_x = problem.sign * g
            return erf_x if kind == "erf" else 1 - erf_x
        # g = erfc(|x|)
        if kind == "erfc":
            return g if problem.sign > 0 else 2 - g
        return problem.sign * (1 - g)
    lower = problem.form in ("P", "I")
    own = (kind in ("P", "I")) == lower
    return g if own else 1 - g


def measure(task):
    fname, label, points = task
    mpmath.mp.dps = acc.DIGITS
    started = time.monotonic()
    out = []
    for args in points:
        try:
            out.append((args, measure_point(fname, args)))
        except (ArithmeticError, ValueError, ZeroDivisionError, mpmath.libmp.NoConvergence):
            continue  # mpmath gave up
    if os.environ.get("ACCURACY_TIMING"):
        print(f"{time.monotonic() - started:7.1f} s  {fname}: {label} ({len(points)} points)", file=sys.stderr)
    return fname, label, out


# --------------------------------------------------------------------------
# Regions.

def targets(rng, n, where, sgl):
    """n targets p in (0, 1): lower tail log-uniform on [1e-300, 0.01)
    (binary32: from its smallest subnormal), body uniform on [0.01, 0.99],
    upper tail with 1 - p log-uniform on [ulp, 0.01)."""
    tiny = FLT_TRUE_MIN if sgl else 1e-300
    eps = ONE_MINUS_F if sgl else ONE_MINUS
    if where == "lower":
        vals = acc.loguniform(rng, tiny, 0.01, n)
    elif where == "body":
        vals = acc.uniform(rng, 0.01, 0.99, n)
    else:
        vals = [1 - t for t in acc.loguniform(rng, eps, 0.01, n)]
    if sgl:
        vals = [acc.f32(v) for v in vals]
    return [float(v) for v in vals if 0 < v < 1]


TAILS = [("lower", "{t} < 0.01 (from {tiny})"), ("body", "0.01 ≤ {t} ≤ 0.99"),
         ("upper", "{t} > 0.99 (1 − {t} from {eps})")]


def tail_label(where, t, sgl):
    tiny = "1.4e-45" if sgl else "1e-300"
    eps = "2^-24" if sgl else "2^-53"
    return dict(TAILS)[where].format(t=t, tiny=tiny, eps=eps)


def erf_regions(n):
    """erf_inv: |p| near 0 (x near 0), the body, |p| near 1 (the tails of
    x); erfc_inv: q or 2 - q from 1e-300 (the tails), the body, q near 1
    (x near 0). Both signs alike; twice the points of the other regions."""
    out = []
    for fname in ("d_erf_inv", "s_erf_inv", "d_erfc_inv", "s_erfc_inv"):
        sgl = single(fname)
        tiny = "1.4e-45" if sgl else "1e-300"
        eps = "2^-24" if sgl else "2^-53"
        erfc = fname.endswith("erfc_inv")
        m = 2 * n
        for where in ("lower", "body", "upper"):
            rng = acc.rng_for(fname + where)
            ts = targets(rng, m, where, sgl)
            signs = rng.integers(0, 2, len(ts))
            if not erfc:
                label = {"lower": f"|p| < 0.01 (from {tiny})", "body": "0.01 ≤ |p| ≤ 0.99",
                         "upper": f"|p| > 0.99 (1 − |p| from {eps})"}[where]
                pts = [-t if s else t for t, s in zip(ts, signs)]
            else:
                # q = 1 ∓ (1 - t): the lower targets are q or 2 - q near 0,
                # the upper ones q near 1.
                label = {"lower": f"q < 0.01 or 2 − q < 0.01 (from {tiny})", "body": "0.01 ≤ q ≤ 1.99",
                         "upper": f"|1 − q| < 0.01 (from {eps})"}[where]
                if where == "body":
                    pts = acc.uniform(rng, 0.01, 1.99, m)
                elif where == "lower":
                    pts = [2 - t if s else t for t, s in zip(ts, signs)]
                else:
                    pts = [1 + (1 - t) if s else t for t, s in zip(ts, signs)]
            if sgl:
                pts = [acc.f32(p) for p in pts]
            lo, hi = (0.0, 2.0) if erfc else (-1.0, 1.0)
            pts = sorted({(float(p),) for p in pts if lo < p < hi})
            out.append((fname, label, pts))
    return out


GAMMA_PARAMETERS = [("a small", 0.01, 1.0), ("a body", 1.0, 100.0), ("a large", 100.0, 1e4)]
BETA_PARAMETERS = [("a, b small", (0.1, 1.0), (0.1, 1.0)), ("a, b body", (1.0, 100.0), (1.0, 100.0)),
                   ("a, b large", (100.0, 1e3), (100.0, 1e3)),
                   ("a, b mixed", (0.1, 1e3), (0.1, 1e3))]


def gamma_regions(n):
    out = []
    for fname, t in (("d_igamma_inv", "p"), ("d_igamc_inv", "q")):
        for plabel, lo, hi in GAMMA_PARAMETERS:
            for where, _ in TAILS:
                label = f"{plabel} [{lo:g}, {hi:g}], {tail_label(where, t, False)}"
                rng = acc.rng_for(fname + label)
                ps = targets(rng, n, where, False)
                As = acc.loguniform(rng, lo, hi, len(ps))
                out.append((fname, label, [(float(a), p) for a, p in zip(As, ps)]))
    return out


def beta_regions(n):
    out = []
    for fname, t in (("d_ibeta_inv", "p"), ("d_ibetac_inv", "q")):
        for plabel, (alo, ahi), (blo, bhi) in BETA_PARAMETERS:
            for where, _ in TAILS:
                label = f"{plabel} [{alo:g}, {ahi:g}], {tail_label(where, t, False)}"
                rng = acc.rng_for(fname + label)
                ps = targets(rng, n, where, False)
                As = acc.loguniform(rng, alo, ahi, len(ps))
                Bs = acc.loguniform(rng, blo, bhi, len(ps))
                out.append((fname, label, [(float(a), float(b), p) for a, b, p in zip(As, Bs, ps)]))
    return out


# --------------------------------------------------------------------------
# Output.

def fmt_args(fname, args):
    if single(fname):
        return acc.fmt_arg(args[0], True)
    return ", ".join(repr(v) for v in args)


def fmt_rel(v):
    if not math.isfinite(v):
        return "non-finite"
    return "0" if v == 0 else f"{v:.2g}"


def fmt_kappa(v):
    if not math.isfinite(v):
        return "∞"
    return f"{v:.3g}" if v < 1e4 else f"{v:.1e}"


def explained(m):
    """The inverse's error over 1 + kappa * forward error, where the
    first-order relation applies."""
    if not (m["linear"] and math.isfinite(m["fwd"]) and math.isfinite(m["kappa"])):
        return math.nan
    return m["err"] / (1 + m["kappa"] * m["fwd"])


def finite_max(values):
    values = [v for v in values if math.isfinite(v)]
    return max(values, default=math.nan)


def summarize(rows):
    """rows: list of (args, measurements)."""
    errs = [m["err"] for _, m in rows]
    worst, rms, nonfinite = acc.stats(errs)
    linear = [m for _, m in rows if m["linear"]]
    return {
        "worst": rows[worst], "max": errs[worst], "rms": rms, "nonfinite": nonfinite,
        "rel": finite_max(m["rel"] for _, m in rows if m["normal"]),
        "back": finite_max(m["back"] for m in linear), "fwd": finite_max(m["fwd"] for m in linear),
        "kappa": finite_max(m["kappa"] for m in linear), "ratio": finite_max(explained(m) for m in linear),
        "beyond": len(rows) - len(linear),
    }


def fmt_ulps(v):
    return acc.fmt_error(v) if math.isfinite(v) else "–"


def fmt_ratio(v):
    return f"{v:.2f}" if math.isfinite(v) else "–"


HEADER = ["| Region | Points | Max ULP | RMS ULP | Max relative | Backward error, max (ULP of p) | "
          "Forward error, max (ULP of p) | κ, max | Max of error / (1 + κ·forward) | Worst argument | "
          "At the worst: backward, forward, κ |",
          "|---|---:|---:|---:|---:|---:|---:|---:|---:|---|---|"]


def points_cell(s, n):
    return f"{n} ({s['beyond']} beyond)" if s["beyond"] else str(n)


def row_line(label, rows, fname):
    s = summarize(rows)
    w = s["worst"][1]
    note = f" ({s['nonfinite']} non-finite)" if s["nonfinite"] else ""
    at_worst = f"{fmt_ulps(w['back'])}, {fmt_ulps(w['fwd'])}, {fmt_kappa(w['kappa'])}"
    if not w["linear"]:
        at_worst += " (beyond first order)"
    return (f"| {acc.md_cell(label)} | {points_cell(s, len(rows))} | {acc.fmt_error(s['max'])}{note} | "
            f"{acc.fmt_error(s['rms'])} | {fmt_rel(s['rel'])} | {fmt_ulps(s['back'])} | {fmt_ulps(s['fwd'])} | "
            f"{fmt_kappa(s['kappa'])} | {fmt_ratio(s['ratio'])} | {fmt_args(fname, s['worst'][0])} | {at_worst} |")


def forward_text(fname):
    text = FORWARD_TEXT[FORWARD[fname]]
    return text.replace("d_calerf", "s_calerf") if single(fname) else text


def summary_table(results):
    lines = ["| Function | Forward function | Points | Max ULP | RMS ULP | Max relative | "
             "Forward error, max (ULP of p) | Max of error / (1 + κ·forward) | Worst region |",
             "|---|---|---:|---:|---:|---:|---:|---:|---|"]
    for fname in ORDER:
        rows, labels = [], []
        for f, label, r in results:
            if f == fname:
                rows += r
                labels += [label] * len(r)
        if not rows:
            continue
        s = summarize(rows)
        worst_label = labels[[id(r) for r in rows].index(id(s["worst"]))]
        note = f" ({s['nonfinite']} non-finite)" if s["nonfinite"] else ""
        lines.append(f"| `{fname}` | `{forward_text(fname)}` | {points_cell(s, len(rows))} | "
                     f"{acc.fmt_error(s['max'])}{note} | {acc.fmt_error(s['rms'])} | {fmt_rel(s['rel'])} | "
                     f"{fmt_ulps(s['fwd'])} | {fmt_ratio(s['ratio'])} | {acc.md_cell(worst_label)} |")
    return lines


INTRO = [
    "Each inverse of libvarnel-stats returns the floating-point number at which the library's own",
    "forward function crosses the target (`include/varnel/stats.h`). Its error is therefore the",
    "forward function's error near that point carried through the conditioning of the problem,",
    "and the tables show all three. For every function and region a fixed pseudo-random sample",
    "is evaluated by the library and compared with the exact inverse: mpmath's forward function",
    "at 30 significant digits (`erf`, `erfc`, `gammainc(a, 0, x)` and `gammainc(a, x, ∞)`,",
    "`betainc(a, b, 0, x)` and `betainc(b, a, 0, 1 − x)`, all regularized), solved by Newton's",
    "method in the logarithm of whichever tail is at most 1/2 at the solution, from the library's",
    "result. The columns:",
    "",
    "- *Max ULP*, *RMS ULP*: |computed − exact| / ulp(exact) of the result (binary32 ulps for",
    "  the `s_` functions; the smallest subnormal spacing where the exact result is subnormal or",
    "  underflows); *Max relative*: |computed − exact| / |exact|, where the exact result is a",
    "  normal number.",
    "- *Backward error*: |F(x) − p| / ulp(p) with F the exact forward function and x the",
    "  computed result: how far the target whose exact inverse the result is lies from the one",
    "  asked for. It is at most the forward function's error plus the step of the forward",
    "  function over one ulp of x, about 1/κ ulps of p, which dominates where κ is small.",
    "- *Forward error*: the library's forward function against mpmath's, at the result and at",
    "  the number below it (the two the crossing property compares), the larger, in ulps of the",
    "  target p (q for the upper forms).",
    "- *κ* = |dx/dp| · ulp(p) / ulp(x) at the solution: how many ulps of the result one ulp of",
    "  the target moves. κ below 1: many targets share one result, which is then determined more",
    "  finely than they are; far above 1: a flat forward function (the upper tail p → 1 in",
    "  double, where targets are 2^-53 apart, and large parameters), whose every ulp of error",
    "  becomes κ ulps of the inverse's.",
    "- *error / (1 + κ·forward)*: the inverse's error over what the crossing property makes it",
    "  at most, to first order: one ulp of the result for the crossing itself, and κ ulps for",
    "  each ulp the forward function is off. Values at or below 1 mean that the inverse adds",
    "  nothing of its own to the forward function's error and the conditioning.",
    "",
    "The last four columns are taken over the points where that first-order relation applies:",
    "the exact result is a normal number, and the forward function's slope at the computed result",
    "is within 10 % of its slope at the exact one. The others, counted as *beyond* in the Points",
    "column, are results that underflow (the library gives the smallest subnormal or 0 at which",
    "its forward function reaches the target), and targets so near an end of the forward",
    "function's range that it is flat, or its slope changes, over the many ulps of x that one",
    "ulp of the target spans (p near 1 with κ in the billions), including the upper form",
    "J(x) = I_(1−x)(b, a) for x below about 1e-16, where 1 − x rounds to 1 and J cannot tell",
    "x from 0: there the inverse returns the first x at which J moves past q, and its relative",
    "error is large by the forward function's construction (use `ibeta_inv` with p = 1 − q for",
    "such targets).",
]


def write_page(out_dir, results, quick, command, missing, seconds):
    lines = acc.stats_page_head("Accuracy of the inverse functions (libvarnel-stats)", "tools/accuracy_inverses.py",
                                "a whole inverse accuracy run", command, INTRO,
                                f", {sum(len(r[2]) for r in results)} points in {seconds:.0f} s.", quick, missing)
    lines += ["## Summary", ""] + summary_table(results) + [""]
    lines += ["![Error against 1 + κ·forward error](accuracy-inverses.png)", ""]
    lines += exhaustive_lines(out_dir) + [""]
    for fname in ORDER:
        rows = [(label, r) for f, label, r in results if f == fname and r]
        if not rows:
            continue
        lines += [f"## `varnel::stats::{fname}`", "",
                  f"Crossing of `{forward_text(fname)}`.", ""] + HEADER
        lines += [row_line(label, r, fname) for label, r in rows] + [""]
    with open(os.path.join(out_dir, "inverses-accuracy.md"), "w") as f:
        f.write("\n".join(lines))


def exhaustive_lines(out_dir):
    """The result of the exhaustive check of the float inverses
    (tools/exhaustive_float_inverses.cpp --markdown OUT/inverses-exhaustive.md),
    where it has been run."""
    path = os.path.join(out_dir, "inverses-exhaustive.md")
    if not os.path.exists(path):
        return ["The float inverses have an exhaustive check of the crossing property at every",
                "binary32 target, `tools/exhaustive_float_inverses.cpp` (CMake target",
                "`varnel_exhaustive_float_inverses`); its result table was not found beside this page."]
    with open(path) as f:
        return f.read().rstrip("\n").split("\n")


def plot(results, path):
    """The inverse's error against 1 + kappa * forward error, every point
    where the first-order relation applies, one panel per function."""
    panels = []
    for fname in ORDER:
        points = [(1 + m["kappa"] * m["fwd"], m["err"]) for f, _, rows_ in results if f == fname
                  for _, m in rows_
                  if m["linear"] and all(math.isfinite(m[k]) for k in ("err", "fwd", "kappa"))]
        if any(f == fname and r for f, _, r in results):
            panels.append((f"varnel::stats::{fname}", points))
    return error_panels(panels, path, "Inverses: error against what the forward function's error and the "
                        "conditioning allow (points on or below the line: nothing added; below 0.01 ULP "
                        "drawn at 0.01)")


def error_panels(panels, path, title):
    """panels: (title, [(1 + kappa * forward error, error)]), drawn four to a
    row on log axes beside the line where the two are equal."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    if not panels:
        return False
    cols = 4
    rows = (len(panels) + cols - 1) // cols
    fig, axes = plt.subplots(rows, cols, figsize=(4 * cols, 3.6 * rows), squeeze=False)
    for ax in axes.flat[len(panels):]:
        ax.axis("off")
    for ax, (name, points) in zip(axes.flat, panels):
        xs = [x for x, _ in points]
        ys = [max(y, 1e-2) for _, y in points]
        ax.scatter(xs, ys, s=2)
        lo = min(xs + ys + [1e-2])
        hi = max(xs + ys + [10])
        ax.plot([lo, hi], [lo, hi], color="grey", linewidth=0.8)
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_title(name, fontsize=9)
        ax.set_xlabel("1 + κ·forward error", fontsize=8)
        ax.set_ylabel("error (ULP)", fontsize=8)
        ax.grid(True, which="major", alpha=0.3)
    fig.suptitle(title, fontsize=9)
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    fig.savefig(path, dpi=80, metadata={"Software": None})
    plt.close(fig)
    return True


def refresh_summary(out_dir, results):
    """The summary table into the block of OUT/accuracy.md, if it has one."""
    body = "\n".join(summary_table(results) + [""] + exhaustive_lines(out_dir))
    body += ("\n\n(Generated by `tools/accuracy_inverses.py`; the regions and the columns are "
             "explained in [inverses-accuracy.md](inverses-accuracy.md).)\n")
    return acc.refresh_block(out_dir, "inverses", body)


def stats_parser(description, points_help, jobs, from_json_help):
    """The options of a measurement of libvarnel-stats: the library, the
    output directory, the sample, the workers and the kept measurements."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--lib", default=os.path.join(ROOT, "build", "libvarnel-c.so.0"),
                        help="the built C interface; libvarnel-stats.so.0 is taken from beside it")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs"))
    parser.add_argument("--points", type=int, default=None, help=points_help)
    parser.add_argument("--quick", action="store_true", help="reduced run for CI")
    parser.add_argument("--jobs", type=int, default=jobs)
    parser.add_argument("--save-json", default=None,
                        help="also keep the measurements in this file, for --from-json")
    parser.add_argument("--from-json", default=None, help=from_json_help)
    return parser


def main():
    parser = stats_parser(__doc__.splitlines()[0],
                          "points per region (default 400, 6 with --quick; the error functions get "
                          "twice as many)", os.cpu_count() or 1,
                          "write the report from measurements kept by --save-json (for instance "
                          "once the exhaustive check's table is there), measuring nothing")
    opts = parser.parse_args()
    _PATHS["c"] = os.path.abspath(opts.lib)
    _PATHS["stats"] = os.path.join(os.path.dirname(_PATHS["c"]), "libvarnel-stats.so.0")
    n = opts.points or (6 if opts.quick else 400)
    os.makedirs(opts.out, exist_ok=True)
    if opts.from_json:
        with open(opts.from_json) as f:
            saved = json.load(f)
        opts.quick = saved["quick"]
        return report(opts, saved["command"], saved["missing"], saved["seconds"], saved["dropped"],
                      [(fname, label, [(tuple(args), m) for args, m in rows])
                       for fname, label, rows in saved["results"]])
    available = load_stats(_PATHS["stats"])
    missing = [f for f in ORDER if f not in available]
    tasks = [t for t in erf_regions(n) + gamma_regions(n) + beta_regions(n) if t[0] in available]
    # Split regions into chunks so that both workers stay busy; map() keeps
    # the order.
    chunks = []
    for fname, label, pts in tasks:
        step = max(10, len(pts) // 4)
        for k in range(0, len(pts), step):
            chunks.append((fname, label, pts[k:k + step]))
    started = time.monotonic()
    with multiprocessing.Pool(opts.jobs) as pool:
        parts = pool.map(measure, chunks, chunksize=1)
    seconds = time.monotonic() - started
    merged = {}
    for fname, label, rows in parts:
        merged.setdefault((fname, label), []).extend(rows)
    results = [(fname, label, merged.get((fname, label), [])) for fname, label, _ in tasks]
    command = "/usr/bin/python3 tools/accuracy_inverses.py"
    if opts.quick:
        command += " --quick"
    if opts.points:
        command += f" --points {opts.points}"
    dropped = sum(len(t[2]) for t in tasks) - sum(len(r[2]) for r in results)
    if opts.save_json:
        with open(opts.save_json, "w") as f:
            json.dump({"command": command, "quick": opts.quick, "missing": missing, "seconds": seconds, "dropped": dropped,
                       "results": results}, f)
    return report(opts, command, missing, seconds, dropped, results)


def report(opts, command, missing, seconds, dropped, results):
    plot(results, os.path.join(opts.out, "accuracy-inverses.png"))
    write_page(opts.out, results, opts.quick, command, missing, seconds)
    block = refresh_summary(opts.out, results)
    points = sum(len(r[2]) for r in results)
    worst = finite_max(m["err"] for res in results for _, m in res[2])
    print(f"{points} points in {len(results)} regions ({dropped} that mpmath could not solve) in "
          f"{seconds:.0f} s; report in {os.path.join(opts.out, 'inverses-accuracy.md')}"
          f"{'' if block else ' (no summary block in accuracy.md)'}; largest finite error "
          f"{acc.fmt_error(worst)} ULP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
