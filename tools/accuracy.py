#!/usr/bin/python3
"""Measures the accuracy of every libvarnel function against mpmath.

Each function's domain is cut into the regions of its algorithm (the branches
and intervals that compute differently); in each region a fixed pseudo-random
sample (the same on every run) plus the region's end points is evaluated by
the built library, through ctypes and its C interface, and by mpmath at 30 significant digits. The
error of one value is |computed - exact| / ulp(exact), the ulp being that of
the result's format (binary32 for the s_ functions). The script writes

  OUT/accuracy.md              max and RMS error per function and region,
                               with the worst argument found
  OUT/accuracy-FAMILY.png      one plot per family, error against argument

and refreshes the accuracy blocks of the reference pages in OUT
(<!-- accuracy NAME --> ... <!-- /accuracy -->).

  /usr/bin/python3 tools/accuracy.py                    full run (docs/)
  /usr/bin/python3 tools/accuracy.py --quick --out DIR  reduced run (CI)

Needs python3-mpmath, python3-numpy and python3-matplotlib (Debian).
"""

import argparse
import ctypes
import math
import multiprocessing
import os
import platform
import re
import struct
import sys
import time
import warnings
import zlib

import mpmath
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIGITS = 30
DBL_MAX = sys.float_info.max
FLT_MAX = float(np.finfo(np.float32).max)

# Constants of the algorithms that decide which branch a point takes (the same
# values the library reads).
D_MACHEP = 2.0 ** -53
D_MAXLOG = 709.782712893384
GAMMA_FORM_LIMIT = 171.62437695630271


# --------------------------------------------------------------------------
# The library, through ctypes.

class Complex(ctypes.Structure):
    """double _Complex by value: on x86_64 and aarch64 it travels like a
    struct of two doubles (in two floating-point registers), which is what
    ctypes makes of this."""
    _fields_ = [("re", ctypes.c_double), ("im", ctypes.c_double)]


# The signature tags of <varnel/functions.h>: (result, parameters).
SIGNATURES = {
    "FI": (ctypes.c_float, [ctypes.c_float, ctypes.c_int]),
    "DI": (ctypes.c_double, [ctypes.c_double, ctypes.c_int]),
    "F": (ctypes.c_float, [ctypes.c_float]),
    "D": (ctypes.c_double, [ctypes.c_double]),
    "DD": (ctypes.c_double, [ctypes.c_double, ctypes.c_double]),
    "DDD": (ctypes.c_double, [ctypes.c_double, ctypes.c_double, ctypes.c_double]),
    "Z": (Complex, [Complex]),
}


def exported_functions():
    """(namespace, name, signature tag) of every function, from the list in
    include/varnel/functions.h."""
    with open(os.path.join(ROOT, "include", "varnel", "functions.h")) as f:
        return re.findall(r"X\((\w+), (\w+), (\w+), \"", f.read())


def load_library(path):
    """The functions of the C interface (libvarnel-c.so.0) by their C++ names,
    'specfun::d_gamma' for varnel_specfun_d_gamma."""
    # libvarnel-c finds libvarnel.so.0 through its run path, in a build tree
    # (beside it) as in an installed one (lib64).
    lib = ctypes.CDLL(path)
    table = {}
    for ns, name, sig in exported_functions():
        try:
            fn = getattr(lib, "varnel_%s_%s" % (ns, name))
        except AttributeError:
            continue  # not in this build
        fn.restype, fn.argtypes = SIGNATURES[sig]
        table["%s::%s" % (ns, name)] = fn
    return table


_LIB = None
_LIB_PATH = None


def library():
    global _LIB
    if _LIB is None:
        _LIB = load_library(_LIB_PATH)
    return _LIB


# --------------------------------------------------------------------------
# Errors in units in the last place.

def ulp_of(ref, single):
    """ulp of the exact value in the result's format, subnormals included."""
    mant, emin = (23, -126) if single else (52, -1022)
    if ref == 0:
        return mpmath.ldexp(1, emin - mant)
    e = int(mpmath.floor(mpmath.log(abs(ref), 2)))
    return mpmath.ldexp(1, max(e, emin) - mant)


def real_error(got, ref, single):
    if math.isnan(got) or math.isinf(got):
        return math.inf
    return float(abs(mpmath.mpf(got) - ref) / ulp_of(ref, single))


def complex_error(got, ref, imag_modulo_2pi=False):
    """Normwise error |got - ref| / ulp(|ref|). With imag_modulo_2pi the exact
    imaginary part is first moved by the multiple of 2 pi nearest the computed
    one (log-gamma branches differ by such multiples)."""
    if not all(map(math.isfinite, got)):
        return math.inf
    re, im = mpmath.mpf(got[0]), mpmath.mpf(got[1])
    if imag_modulo_2pi:
        k = mpmath.nint((im - ref.imag) / (2 * mpmath.pi))
        ref = mpmath.mpc(ref.real, ref.imag + 2 * mpmath.pi * k)
    return float(mpmath.fabs(mpmath.mpc(re, im) - ref) / ulp_of(mpmath.fabs(ref), False))


# --------------------------------------------------------------------------
# Samplers. Each returns a list of argument tuples; a region's generator is
# seeded from its name, so samples do not move when other regions change.

def rng_for(label):
    return np.random.Generator(np.random.PCG64(zlib.crc32(label.encode())))


def uniform(rng, lo, hi, n):
    return list(rng.uniform(lo, hi, n))


def loguniform(rng, lo, hi, n):
    return list(np.exp(rng.uniform(math.log(lo), math.log(hi), n)))


def f32(v):
    return float(np.float32(v))


def inside(lo, hi, lo_open=False, hi_open=False):
    def test(v):
        return (v > lo if lo_open else v >= lo) and (v < hi if hi_open else v <= hi)
    return test


def real_points(rng, n, lo, hi, log=False, single=False, ends=True, lo_open=False,
                hi_open=False, negate=False, avoid_integers=False):
    """n points in [lo, hi] (magnitudes when negate), half uniform and half
    log-uniform when log is set, plus the representable ends."""
    if log:
        vals = loguniform(rng, lo, hi, n // 2) + uniform(rng, lo, hi, n - n // 2)
    else:
        vals = uniform(rng, lo, hi, n)
    if ends:
        vals += [lo, hi, np.nextafter(lo, hi), np.nextafter(hi, lo)]
    if single:
        vals = [f32(v) for v in vals]
    test = inside(lo, hi, lo_open, hi_open)
    out = []
    for v in vals:
        v = float(v)
        if not test(v) or (avoid_integers and v == math.floor(v)):
            continue
        out.append(-v if negate else v)
    return sorted(set(out))


# --------------------------------------------------------------------------
# References.

def ref_erf(x, kind):
    x = mpmath.mpf(x)
    if kind == 0:
        return mpmath.erf(x)
    if kind == 1:
        return mpmath.erfc(x)
    if x > 1e4:
        # mpmath's erfc cannot take such arguments; the asymptotic series of
        # exp(x^2) erfc(x) is exact to far beyond double precision here.
        t = 1 / (2 * x * x)
        return (1 - t + 3 * t * t - 15 * t ** 3) / (x * mpmath.sqrt(mpmath.pi))
    return mpmath.exp(x * x) * mpmath.erfc(x)


def ibeta_unregularised_ratio(a, b, x):
    """W with I_x(a, b) = W x^a (1-x)^b / (a B(a, b))."""
    a, b, x = mpmath.mpf(a), mpmath.mpf(b), mpmath.mpf(x)
    return mpmath.betainc(a, b, 0, x) * a / (x ** a * (1 - x) ** b)


def reference(fname, args):
    mp = mpmath
    if fname in ("specfun::s_calerf", "specfun::d_calerf"):
        return ref_erf(args[0], args[1])
    if fname in ("specfun::s_gamma", "specfun::d_gamma"):
        return mp.gamma(mp.mpf(args[0]))
    if fname in ("specfun::s_lngamma", "specfun::d_lngamma"):
        return mp.loggamma(mp.mpf(args[0]))
    if fname in ("specfun::d_ibeta", "cephes::d_ibeta", "cephes::pseries"):
        return mp.betainc(mp.mpf(args[0]), mp.mpf(args[1]), 0, mp.mpf(args[2]), regularized=True)
    if fname == "cephes::incbcf":
        return ibeta_unregularised_ratio(*args)
    if fname == "cephes::incbd":
        return ibeta_unregularised_ratio(*args) * (1 - mp.mpf(args[2]))
    if fname == "cephes::d_igamma":
        return mp.gammainc(mp.mpf(args[0]), 0, mp.mpf(args[1]), regularized=True)
    if fname == "cephes::d_igamc":
        return mp.gammainc(mp.mpf(args[0]), mp.mpf(args[1]), mp.inf, regularized=True)
    if fname in ("cephes::z_gamma", "cephes::cstirf"):
        return mp.gamma(mp.mpc(args[0], args[1]))
    if fname == "cephes::z_lngamma":
        return mp.loggamma(mp.mpc(args[0], args[1]))
    raise KeyError(fname)


def single_precision(fname):
    return fname.split("::")[1].startswith("s_")


def measure(task):
    """Worker: evaluates one region. Returns (errors, args) lists."""
    fname, label, points = task
    mpmath.mp.dps = DIGITS
    started = time.monotonic()
    fn = library()[fname]
    errors, kept, normal = [], [], []
    single = single_precision(fname)
    tiny = 2.0 ** -126 if single else 2.0 ** -1022
    for args in points:
        try:
            ref = reference(fname, args)
        except Exception:  # noqa: BLE001 - mpmath's NoConvergence and kin
            continue  # mpmath gave up (far tails of the incomplete functions)
        if fname.startswith("cephes::z_") or fname == "cephes::cstirf":
            r = fn(Complex(args[0], args[1]))
            errors.append(complex_error((r.re, r.im), ref,
                                        imag_modulo_2pi=fname == "cephes::z_lngamma"))
            magnitude = mpmath.fabs(ref)
        else:
            errors.append(real_error(fn(*args), ref, single))
            magnitude = abs(ref)
        kept.append(args)
        # Whether the exact value is a normal number of the result's format
        # (the summary separates the underflow range, where results are cut
        # to 0 or lose digits by construction).
        normal.append(bool(magnitude >= tiny) and "underflow" not in label)
    if os.environ.get("ACCURACY_TIMING"):
        print(f"{time.monotonic() - started:7.1f} s  {fname}: {label}", file=sys.stderr)
    return fname, label, kept, errors, normal


# --------------------------------------------------------------------------
# The regions of every function. Each entry: (function, region label, points).

def calerf_regions(n, single):
    fname = "specfun::s_calerf" if single else "specfun::d_calerf"
    if single:
        tiny, big, asym, zero, negbound = 5.96e-8, 9.194, 2900.0, 4.79e37, 9.382
        big, asym, zero, negbound = f32(big), f32(asym), f32(zero), f32(negbound)
        tiny = f32(tiny)
    else:
        tiny, big, asym, zero, negbound = 1.11e-16, 26.543, 6.71e7, 2.53e307, 26.628
    out = []
    names = {0: "erf", 1: "erfc", 2: "exp(x²)·erfc"}
    for kind in (0, 1, 2):
        def add(label, lo, hi, **kw):
            full = f"{names[kind]}: {label}"
            xs = real_points(rng_for(fname + full), n, lo, hi, single=single, **kw)
            out.append((fname, full, [(x, kind) for x in xs]))
        add(f"0 < x ≤ {tiny:g} (z = 0)", 1e-300 if not single else 1e-44, tiny, log=True)
        add("x ≤ 0.46875 (region 1)", tiny, 0.46875, lo_open=True, log=True)
        add("-0.46875 ≤ x < 0 (region 1)", tiny, 0.46875, log=True, negate=True)
        add("0.46875 < x ≤ 4 (region 2)", 0.46875, 4.0, lo_open=True)
        add(f"4 < x < {big:g} (region 3)", 4.0, big, lo_open=True, hi_open=True)
        if kind == 0:
            add(f"x < -0.46875 (regions 2, 3)", 0.46875, big, lo_open=True, hi_open=True, negate=True)
            add(f"|x| ≥ {big:g} (region 4: ±1)", big, 1e300 if not single else 3e38, log=True)
        elif kind == 1:
            add(f"-{big:g} < x < -0.46875 (2 - erfc|x|)", 0.46875, big, lo_open=True, hi_open=True, negate=True)
            add(f"x ≤ -{big:g} (region 4: 2)", big, 1e300 if not single else 3e38, log=True, negate=True)
            add(f"x ≥ {big:g} (region 4: 0, underflow)", big, big + 2, lo_open=False)
        else:
            add(f"-{negbound:g} ≤ x < -0.46875 (2·exp(x²) - R)", 0.46875, negbound, lo_open=True, negate=True)
            add(f"{big:g} ≤ x < {asym:g} (region 4, rational)", big, asym, hi_open=True, log=True)
            add(f"{asym:g} ≤ x < {zero:g} (region 4, 1/(√π x))", asym, zero, hi_open=True, log=True)
    return out


def gamma_regions(n, single):
    fname = "specfun::s_gamma" if single else "specfun::d_gamma"
    if single:
        small, normal, top, reflect = f32(1.19e-7), f32(1.18e-38), f32(35.04), 34.04
    else:
        small, normal, top, reflect = 2.22e-16, 2.23e-308, 171.624, 170.624
    out = []

    def add(label, lo, hi, **kw):
        xs = real_points(rng_for(fname + label), n, lo, hi, single=single, **kw)
        out.append((fname, label, [(x,) for x in xs]))
    add(f"{normal:g} ≤ x < {small:g} (1/x)", normal, small, log=True, hi_open=True)
    add(f"{small:g} ≤ x < 1 (rational, divided by x)", small, 1.0, log=True, hi_open=True)
    add("1 ≤ x < 2 (rational)", 1.0, 2.0, hi_open=True)
    add("2 ≤ x < 12 (rational, recurrence)", 2.0, 12.0, hi_open=True)
    add(f"12 ≤ x ≤ {top:g} (Stirling)", 12.0, top)
    add("-11 < x < 0 (reflection, recurrence)", 1e-30 if not single else 1e-37, 11.0,
        log=True, negate=True, avoid_integers=True, hi_open=True)
    add(f"-{reflect:g} ≤ x ≤ -11 (reflection, Stirling)", 11.0, reflect, negate=True, avoid_integers=True)
    return out


def lngamma_regions(n, single):
    fname = "specfun::s_lngamma" if single else "specfun::d_lngamma"
    if single:
        small, cut, top = f32(1.19e-7), 1.42e9, f32(4.08e36)
    else:
        small, cut, top = 2.22e-16, 2.25e76, 2.55e305
    out = []

    def add(label, lo, hi, **kw):
        xs = real_points(rng_for(fname + label), n, lo, hi, single=single, **kw)
        out.append((fname, label, [(x,) for x in xs]))
    add(f"0 < x ≤ {small:g} (-log x)", 1e-300 if not single else 1e-44, small, log=True)
    add(f"{small:g} < x ≤ 0.5 (about 1, -log x)", small, 0.5, log=True, lo_open=True)
    add("0.5 < x < 0.6796875 (about 2, -log x)", 0.5, 0.6796875, lo_open=True, hi_open=True)
    add("0.6796875 ≤ x ≤ 1.5 (about 1)", 0.6796875, 1.5)
    add("1.5 < x ≤ 4 (about 2)", 1.5, 4.0, lo_open=True)
    add("4 < x ≤ 12 (about 4)", 4.0, 12.0, lo_open=True)
    add(f"12 < x ≤ {cut:g} (Stirling series)", 12.0, cut, log=True, lo_open=True)
    add(f"{cut:g} < x ≤ {top:g} (Stirling, no series)", cut, top, log=True, lo_open=True)
    return out


def large_parameter_points(n, top):
    """mpmath needs tens of milliseconds per value of the incomplete functions
    with parameters in the thousands; those regions get a sixth of the points."""
    return max(n // 6, 10) if top > 100 else n


def igamma_regions(n):
    """Both functions over the same pool, labelled by the branch each takes."""
    out = []
    for fname in ("cephes::d_igamma", "cephes::d_igamc"):
        for alabel, alo, ahi in (("a < 1", 1e-3, 1.0), ("1 ≤ a < 100", 1.0, 100.0),
                                 ("100 ≤ a ≤ 10⁴", 100.0, 1e4)):
            rng = rng_for(fname + alabel)
            pool = []
            m = large_parameter_points(n, ahi)
            for a in loguniform(rng, alo, ahi, 6 * m):
                # x spread around a, where the two branches meet and the
                # values are neither 0 nor 1, and on a log scale beside it.
                if rng.uniform() < 0.5:
                    x = a * math.exp(rng.normal(0, 3 / math.sqrt(max(a, 1.0))))
                else:
                    x = math.exp(rng.uniform(math.log(1e-3 * max(a, 1e-2)), math.log(10 * a + 30)))
                pool.append((a, x))
            by_label = {}
            for a, x in pool:
                if fname == "cephes::d_igamma":
                    label = "1 - Q (x > 1, x > a)" if (x > 1 and x > a) else "series (x ≤ 1 or x ≤ a)"
                else:
                    label = "1 - P (x < 1 or x < a)" if (x < 1 or x < a) else "continued fraction (x ≥ 1, x ≥ a)"
                by_label.setdefault(label, [])
                if len(by_label[label]) < m:
                    by_label[label].append((a, x))
            for label in sorted(by_label):
                out.append((fname, f"{alabel}: {label}", by_label[label]))
    return out


def cephes_ibeta_path(a, b, x):
    """The branch cephes::d_ibeta takes: (label, building block, its arguments)."""
    if b * x <= 1 and x <= 0.95:
        return "series", "cephes::pseries", (a, b, x)
    w = 1 - x
    s = a + b
    flag = ""
    ap, bp, xp, xc = a, b, x, w
    if a / s < x:
        if a * w <= 1 and w <= 0.95:
            return "series, complemented", "cephes::pseries", (b, a, w)
        ap, bp, xp, xc = b, a, w, x
        flag = ", complemented"
    y = (s - 2) * xp - (ap - 1)
    block = "cephes::incbcf" if y < 0 else "cephes::incbd"
    Y, Z = ap * math.log(xp), bp * math.log(xc)
    direct = s < GAMMA_FORM_LIMIT and abs(Y) < D_MAXLOG and abs(Z) < D_MAXLOG
    form = "direct" if direct else "logarithmic"
    return f"{block.split('::')[1]}{flag}, {form} prefactor", block, (ap, bp, xp)


def ibeta_pool(rng, n, lo, hi):
    pool = []
    for _ in range(n):
        a = math.exp(rng.uniform(math.log(lo), math.log(hi)))
        b = math.exp(rng.uniform(math.log(lo), math.log(hi)))
        mean = a / (a + b)
        # With parameters in the thousands the far tails are below 1e-300 and
        # beyond what mpmath's hypergeometric series evaluates in reasonable
        # time: sample those around the mean only.
        u = rng.uniform() if hi <= 100 else 0.0
        if u < 0.5:  # near the mean, where the value is neither 0 nor 1
            sd = math.sqrt(a * b / ((a + b) ** 2 * (a + b + 1)))
            x = mean + rng.normal(0, 2 * sd)
        elif u < 0.8:
            x = rng.uniform(0, 1)
        else:  # near the ends
            x = math.exp(rng.uniform(math.log(1e-6), 0))
            if rng.uniform() < 0.5:
                x = 1 - x
        if 0 < x < 1:
            pool.append((a, b, x))
    return pool


def cephes_ibeta_regions(n):
    out = []
    blocks = {}
    for plabel, lo, hi in (("a, b < 1", 1e-2, 1.0), ("1 ≤ a, b < 100", 1.0, 100.0),
                           ("a, b up to 10⁴", 1.0, 1e4)):
        rng = rng_for("cephes::d_ibeta" + plabel)
        by_label = {}
        block_counts = {}
        m = large_parameter_points(n, hi)
        for a, b, x in ibeta_pool(rng, 12 * m, lo, hi):
            label, block, bargs = cephes_ibeta_path(a, b, x)
            key = f"{plabel}: {label}"
            by_label.setdefault(key, [])
            if len(by_label[key]) < m:
                by_label[key].append((a, b, x))
                # Each parameter range contributes up to m/2 points to each
                # building block.
                taken = block_counts.setdefault(block, 0)
                if taken < max(m // 2, 1):
                    blocks.setdefault(block, []).append(bargs)
                    block_counts[block] = taken + 1
        for key in sorted(by_label):
            out.append(("cephes::d_ibeta", key, by_label[key]))
    for block in ("cephes::pseries", "cephes::incbcf", "cephes::incbd"):
        out.append((block, "where cephes::d_ibeta calls it", sorted(blocks.get(block, []))))
    return out


def specfun_ibeta_regions(n):
    out = []
    for plabel, lo, hi in (("a, b < 1", 1e-2, 1.0), ("1 ≤ a, b < 100", 1.0, 100.0),
                           ("a, b up to 10⁴", 1.0, 1e4)):
        rng = rng_for("specfun::d_ibeta" + plabel)
        by_label = {}
        m = large_parameter_points(n, hi)
        for a, b, x in ibeta_pool(rng, 6 * m, lo, hi):
            q = (a + 1) / ((a + b) + 1)
            label = "complemented (x > (a+1)/(a+b+1))" if q < x else "direct (x ≤ (a+1)/(a+b+1))"
            key = f"{plabel}: {label}"
            by_label.setdefault(key, [])
            if len(by_label[key]) < m:
                by_label[key].append((a, b, x))
        for key in sorted(by_label):
            out.append(("specfun::d_ibeta", key, by_label[key]))
    return out


def complex_points(rng, n, re_lo, re_hi, im_lo, im_hi, near_axis=0.0):
    pts = []
    for _ in range(n):
        re = rng.uniform(re_lo, re_hi)
        if rng.uniform() < near_axis:
            im = math.copysign(math.exp(rng.uniform(math.log(1e-12), 0)), rng.uniform(-1, 1))
        else:
            im = rng.uniform(im_lo, im_hi)
        pts.append((re, im))
    return pts


def complex_gamma_regions(n):
    out = []

    def add(fname, label, *a, **kw):
        out.append((fname, label, complex_points(rng_for(fname + label), n, *a, **kw)))
    add("cephes::z_gamma", "Re z > 18 (Stirling)", 18.0, 140.0, -60.0, 60.0)
    add("cephes::z_gamma", "|Re z| ≤ 18, |Im z| ≤ 30 (recurrence)", -18.0, 18.0, -30.0, 30.0, near_axis=0.3)
    add("cephes::z_gamma", "Re z < -18 (reflection)", -140.0, -18.0, -20.0, 20.0, near_axis=0.3)
    xs = real_points(rng_for("z_gamma real"), n, -18.0, 18.0, avoid_integers=True)
    out.append(("cephes::z_gamma", "real axis, |Re z| ≤ 18 (recurrence)", [(x, 0.0) for x in xs]))
    out.append(("cephes::z_gamma", "0 < |z| < 1e-100 (beside the pole at 0)",
                tiny_complex_points(rng_for("z_gamma tiny"), n)))
    add("cephes::cstirf", "Re z ≥ 18 (where z_gamma uses it)", 18.0, 140.0, -60.0, 60.0)
    return out


def complex_lngamma_regions(n):
    out = []

    def add(label, *a, **kw):
        out.append(("cephes::z_lngamma", label,
                    complex_points(rng_for("z_lngamma" + label), n, *a, **kw)))
    add("Re z > 7 (no shift)", 7.0, 1e4, -1e3, 1e3)
    add("0 ≤ Re z ≤ 7 (shifted above 6)", 0.0, 7.0, -30.0, 30.0, near_axis=0.3)
    add("Re z < 0 (reflection)", -60.0, 0.0, -30.0, 30.0, near_axis=0.3)
    xs = real_points(rng_for("z_lngamma real"), n, 1e-3, 60.0, avoid_integers=True, negate=True)
    out.append(("cephes::z_lngamma", "real axis, -60 < Re z < -0.001 (reflection)", [(x, 0.0) for x in xs]))
    out.append(("cephes::z_lngamma", "0 < |z| < 1e-100 (beside the pole at 0)", tiny_complex_points(
        rng_for("z_lngamma tiny"), n)))
    return out


def tiny_complex_points(rng, n):
    """Arguments of modulus 1e-300 to 1e-100 in every direction."""
    pts = []
    for _ in range(n):
        r = math.exp(rng.uniform(math.log(1e-300), math.log(1e-100)))
        phi = rng.uniform(-math.pi, math.pi)
        pts.append((r * math.cos(phi), r * math.sin(phi)))
    return pts


FAMILIES = [
    # (family key, title, region builder, functions in plotting order)
    ("calerf", "Error functions", lambda n: calerf_regions(n, False) + calerf_regions(n, True),
     ["specfun::d_calerf", "specfun::s_calerf"]),
    ("gamma", "Gamma function", lambda n: gamma_regions(n, False) + gamma_regions(n, True),
     ["specfun::d_gamma", "specfun::s_gamma"]),
    ("lngamma", "Log-gamma function", lambda n: lngamma_regions(n, False) + lngamma_regions(n, True),
     ["specfun::d_lngamma", "specfun::s_lngamma"]),
    ("complex_gamma", "Complex gamma function", complex_gamma_regions,
     ["cephes::z_gamma", "cephes::cstirf"]),
    ("complex_lngamma", "Complex log-gamma function", complex_lngamma_regions,
     ["cephes::z_lngamma"]),
    ("igamma", "Incomplete gamma functions", igamma_regions,
     ["cephes::d_igamma", "cephes::d_igamc"]),
    ("cephes_ibeta", "Incomplete beta function (cephes)", cephes_ibeta_regions,
     ["cephes::d_ibeta", "cephes::pseries", "cephes::incbcf", "cephes::incbd"]),
    ("specfun_ibeta", "Continued-fraction incomplete beta (specfun)", specfun_ibeta_regions,
     ["specfun::d_ibeta"]),
]


# --------------------------------------------------------------------------
# Output.

def fmt_error(v):
    if math.isinf(v):
        return "non-finite"
    if v == 0:
        return "0"
    if v < 1000:
        return f"{v:.3g}" if v < 10 else f"{v:.0f}"
    return f"{v:.2e}"


def fmt_arg(v, single):
    if single and isinstance(v, float):
        return repr(np.float32(v)).replace("np.float32(", "").rstrip(")")
    return repr(v)


def fmt_args(fname, args):
    single = single_precision(fname)
    if fname.startswith("cephes::z_") or fname == "cephes::cstirf":
        return f"{args[0]!r} {'-' if math.copysign(1, args[1]) < 0 else '+'} {abs(args[1])!r}i"
    return ", ".join(fmt_arg(v, single) if not isinstance(v, int) else str(v) for v in args)


def stats(errors):
    finite = [e for e in errors if math.isfinite(e)]
    worst = max(range(len(errors)), key=lambda i: (errors[i], -i)) if errors else None
    rms = math.sqrt(sum(e * e for e in finite) / len(finite)) if finite else math.nan
    return worst, rms, len(errors) - len(finite)


def md_cell(text):
    return text.replace("|", "\\|")


def region_table(results, fname):
    lines = ["| Region | Points | Max ULP | RMS ULP | Worst argument |",
             "|---|---:|---:|---:|---|"]
    for f, label, points, errors, _ in results:
        if f != fname or not points:
            continue
        worst, rms, nonfinite = stats(errors)
        note = f" ({nonfinite} non-finite)" if nonfinite else ""
        lines.append(f"| {md_cell(label)} | {len(points)} | {fmt_error(errors[worst])}{note} | "
                     f"{fmt_error(rms)} | {fmt_args(fname, points[worst])} |")
    return lines


# The argument on the horizontal axis: x for the incomplete functions, the
# (real part of the) first argument for the others.
PLOT_ARGUMENT = {"cephes::d_igamma": 1, "cephes::d_igamc": 1, "cephes::d_ibeta": 2,
                 "specfun::d_ibeta": 2, "cephes::pseries": 2, "cephes::incbcf": 2,
                 "cephes::incbd": 2}


# Horizontal axes. Arguments spanning hundreds of decades are drawn as
# logarithms on a linear axis (matplotlib's own log axes overflow near the
# end of the double range).
X_SCALE = {"specfun::d_gamma": "symlog", "specfun::s_gamma": "symlog",
           "specfun::d_lngamma": "log", "specfun::s_lngamma": "log",
           "cephes::d_igamma": "log", "cephes::d_igamc": "log",
           "cephes::z_lngamma": "signed-log"}
X_TRANSFORM = {
    "linear": (lambda v: v, "{}"),
    "symlog": (lambda v: v, "{}"),
    "log": (lambda v: np.log10(v), "log₁₀ {}"),
    "signed-log": (lambda v: np.sign(v) * np.log10(1 + np.abs(v)), "sign({0})·log₁₀(1 + |{0}|)"),
}


# Panels: the error functions get one panel per selector; x is limited to
# where the values change (the limit regions beyond are in the tables).
PANELS = {
    "specfun::d_calerf": [("erf", lambda p: p[1] == 0), ("erfc", lambda p: p[1] == 1),
                          ("exp(x²)·erfc", lambda p: p[1] == 2)],
    "specfun::s_calerf": [("erf", lambda p: p[1] == 0), ("erfc", lambda p: p[1] == 1),
                          ("exp(x²)·erfc", lambda p: p[1] == 2)],
}
PLOT_XLIM = {"specfun::d_calerf": (-30.0, 30.0), "specfun::s_calerf": (-10.0, 10.0)}


def plot_family(key, title, fnames, results, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    panels = []
    for fname in fnames:
        if any(r[0] == fname for r in results):
            for pname, keep in PANELS.get(fname, [(None, lambda p: True)]):
                panels.append((fname, pname, keep))
    if not panels:
        return False
    fig, axes = plt.subplots(len(panels), 1, figsize=(9, 3.0 * len(panels)), squeeze=False)
    for ax, (fname, pname, keep) in zip(axes[:, 0], panels):
        lo, hi = PLOT_XLIM.get(fname, (-math.inf, math.inf))
        rows = [r for r in results if r[0] == fname]
        for i, (_, label, points, errors, _) in enumerate(rows):
            pairs = [(p, e) for p, e in zip(points, errors)
                     if keep(p) and lo <= p[PLOT_ARGUMENT.get(fname, 0)] <= hi]
            if not pairs:
                continue
            xs = np.array([p[PLOT_ARGUMENT.get(fname, 0)] for p, _ in pairs], dtype=float)
            xs = X_TRANSFORM[X_SCALE.get(fname, "linear")][0](xs)
            ys = np.array([e if math.isfinite(e) else 1e17 for _, e in pairs])
            ax.scatter(xs, np.maximum(ys, 1e-2), s=3, label=label, color=plt.cm.tab20(i % 20))
        ax.set_yscale("log")
        scale = X_SCALE.get(fname, "linear")
        if scale == "symlog":
            ax.set_xscale("symlog", linthresh=1.0)
        ax.set_ylabel("error (ULP)")
        xlabel = {"cephes::z_gamma": "Re z", "cephes::cstirf": "Re z", "cephes::z_lngamma": "Re z"}
        ax.set_xlabel(X_TRANSFORM[scale][1].format(xlabel.get(fname, "x")))
        heading = f"varnel::{fname}" + (f": {pname}" if pname else "")
        if math.isfinite(hi):
            heading += f" (|x| ≤ {hi:g}; beyond, see the table)"
        ax.set_title(heading, fontsize=10)
        ax.grid(True, which="major", alpha=0.3)
        ax.legend(fontsize=6, markerscale=3, loc="upper left", bbox_to_anchor=(1.01, 1.0))
    fig.suptitle(f"{title}: error against mpmath (below 0.01 ULP drawn at 0.01, "
                 "non-finite at 1e17)", fontsize=10)
    fig.tight_layout(rect=(0, 0, 1, 0.99))
    fig.savefig(path, dpi=80, metadata={"Software": None})
    plt.close(fig)
    return True


def refresh_blocks(out_dir, results):
    """Replaces <!-- accuracy NAME --> ... <!-- /accuracy --> in the pages."""
    pattern = re.compile(r"(<!-- accuracy (\S+) -->\n)(.*?)(<!-- /accuracy -->)", re.S)
    for name in sorted(os.listdir(out_dir)):
        if not name.endswith(".md") or name == "accuracy.md":
            continue
        path = os.path.join(out_dir, name)
        with open(path) as f:
            text = f.read()

        def replace(m):
            fname = m.group(2)
            if not any(r[0] == fname for r in results):
                return m.group(0)
            body = "\n".join(region_table(results, fname))
            return f"{m.group(1)}{body}\n\n(Generated by `tools/accuracy.py`; see [accuracy.md](accuracy.md).)\n{m.group(4)}"
        new = pattern.sub(replace, text)
        if new != text:
            with open(path, "w") as f:
                f.write(new)


def page_head(title, tool, built, run, command):
    """The first lines of a generated report: its title, the tool that
    writes it and the command, marked for the docs test as the run it is."""
    return [f"# {title}", "",
            f"Generated by `{tool}`; do not edit by hand. Regenerate, from the",
            f"repository root after building the {built} into `build/`, with", "",
            f"<!-- doc-test: skip (rewrites this report: {run}, minutes) -->",
            "```sh", command, "```", ""]


def run_notes(quick, missing):
    """What a reader of a generated report must know of the run: a reduced
    one, or functions that were not in the measured library."""
    lines = []
    if quick:
        lines += ["**Reduced run** (`--quick`): small samples, for checking the tool only.", ""]
    if missing:
        lines += ["Not in the measured library (not built yet): " +
                  ", ".join(f"`{m}`" for m in missing) + ".", ""]
    return lines


def stats_page_head(title, tool, run, command, intro, measured, quick, missing):
    """The head of a report on libvarnel-stats: page_head, the introduction,
    the machine and mpmath with what was measured, and run_notes."""
    libc = " ".join(platform.libc_ver())
    return (page_head(title, tool, "libraries", run, command) + intro +
            ["", f"Measured on {platform.machine()}, {libc}, mpmath {mpmath.__version__}{measured}", ""] +
            run_notes(quick, missing))


def write_report(out_dir, results, quick, command, missing):
    libc = " ".join(platform.libc_ver())
    lines = page_head("Accuracy of libvarnel", "tools/accuracy.py", "library", "a whole accuracy run",
                      command) + [
        "Every function's domain is cut into the regions of its algorithm (the",
        "branches and intervals that compute differently). In each region a fixed",
        "pseudo-random sample plus the region's end points is evaluated by the",
        "library and by mpmath at 30 significant digits. The error of one value is",
        "|computed − exact| / ulp(exact), with the ulp of the result's format",
        "(binary32 for the `s_` functions; the smallest subnormal spacing where the",
        "exact value is subnormal or zero). For the complex functions the error is",
        "normwise, |computed − exact| / ulp(|exact|); for `z_lngamma` the exact",
        "imaginary part is first moved by the multiple of 2π nearest to the computed",
        "one, because the function keeps a continuous branch and does not reduce the",
        "imaginary part. `pseries`, `incbcf` and `incbd` are measured at the",
        "arguments `cephes::d_ibeta` passes them, against the quantity each returns",
        "(I_x(a, b), and the continued-fraction values W and (1 − x)·W with",
        "I_x(a, b) = W·x^a (1−x)^b / (a B(a, b))); `cstirf` against Γ(z) for Re z ≥ 18.",
        "",
        f"Measured on {platform.machine()}, {libc}, mpmath {mpmath.__version__}: the last bits",
        "of many results come from the C library's `exp`, `log`, `sin`, `pow` and",
        "complex functions, so another C library can move them slightly.",
        "",
        "Errors of thousands of ULP and more are not faults of the measurement: they",
        "are where the algorithms give up relative accuracy by construction (the absolute",
        "stopping tolerance 1e-10 of `specfun::d_ibeta`; reflection near the poles of",
        "Γ; values cut to 0 or to a limit at the ends of a range; the",
        "logarithmic prefactor of the incomplete functions for large parameters,",
        "whose exponent loses absolute accuracy in proportion to its size).",
        "",
    ]
    lines += run_notes(quick, missing)
    lines += [
        "## Summary", "",
        "The first columns cover the points whose exact value is a normal number of",
        "the result's format, outside the regions that deliberately return 0 where",
        "the value underflows; the last column adds those points, where results are",
        "cut to 0 or lose digits with the subnormals.", "",
        "| Function | Points | Max ULP | RMS ULP | Worst argument | In region | Max ULP, all points |",
        "|---|---:|---:|---:|---|---|---:|"]
    order = [f for _, _, _, fnames in FAMILIES for f in fnames]
    for fname in order:
        errors, points, labels, normal = [], [], [], []
        for f, label, p, e, n in results:
            if f == fname:
                errors += e
                points += p
                normal += n
                labels += [label] * len(p)
        if not points:
            continue
        keep = [i for i in range(len(points)) if normal[i]]
        n_errors = [errors[i] for i in keep]
        worst, rms, nonfinite = stats(n_errors)
        worst = keep[worst]
        note = f" ({nonfinite} non-finite)" if nonfinite else ""
        all_worst, _, all_nonfinite = stats(errors)
        all_note = f" ({all_nonfinite} non-finite)" if all_nonfinite else ""
        lines.append(f"| `{fname}` | {len(points)} | {fmt_error(errors[worst])}{note} | "
                     f"{fmt_error(rms)} | {fmt_args(fname, points[worst])} | "
                     f"{md_cell(labels[worst])} | {fmt_error(errors[all_worst])}{all_note} |")
    lines.append("")
    lines += stats_sections(out_dir)
    for key, title, _, fnames in FAMILIES:
        present = [f for f in fnames if any(r[0] == f for r in results)]
        if not present:
            continue
        lines += [f"## {title}", "", f"![{title}](accuracy-{key}.png)", ""]
        for fname in present:
            lines += [f"### `varnel::{fname}`", ""] + region_table(results, fname) + [""]
    with open(os.path.join(out_dir, "accuracy.md"), "w") as f:
        f.write("\n".join(lines))


def summary_block(out_dir, tag, placeholder):
    """<!-- TAG --> ... <!-- /TAG --> of OUT/accuracy.md as it stands, or one
    saying what fills it. The blocks of libvarnel-stats are written by their
    own tools (refresh_block) and kept when this page is rewritten."""
    block = f"<!-- {tag} -->\n{placeholder}\n<!-- /{tag} -->"
    path = os.path.join(out_dir, "accuracy.md")
    if os.path.exists(path):
        with open(path) as f:
            m = re.search(f"<!-- {tag} -->\n.*?<!-- /{tag} -->", f.read(), re.S)
        if m:
            block = m.group(0)
    return block


def refresh_block(out_dir, tag, body):
    """Replaces the contents of <!-- TAG --> ... <!-- /TAG --> in
    OUT/accuracy.md with body; whether the page has that block."""
    path = os.path.join(out_dir, "accuracy.md")
    if not os.path.exists(path):
        return False
    with open(path) as f:
        text = f.read()
    pattern = re.compile(f"(<!-- {tag} -->\n)(.*?)(<!-- /{tag} -->)", re.S)
    new, count = pattern.subn(lambda m: m.group(1) + body + m.group(3), text)
    if count and new != text:
        with open(path, "w") as f:
            f.write(new)
    return bool(count)


def stats_sections(out_dir):
    """The sections of libvarnel-stats: the inverses and the distributions."""
    return ["## Inverse functions", "",
            "The inverses of libvarnel-stats are measured by `tools/accuracy_inverses.py`, against the",
            "exact inverses of mpmath's forward functions and beside the error of the library's forward",
            "function that each crosses; the regions, the columns and the tables per region are in",
            "[inverses-accuracy.md](inverses-accuracy.md). Its summary:", "",
            summary_block(out_dir, "inverses", "Not measured yet: run `tools/accuracy_inverses.py`."), "",
            "## Distributions", "",
            "The nine distributions of libvarnel-stats are measured by `tools/accuracy_distributions.py`",
            "against mpmath, every operation over small, moderate and large parameters and both tails;",
            "the regions, the columns, where the densities are accurate and the tables per region are",
            "in [distributions-accuracy.md](distributions-accuracy.md). Its summary:", "",
            summary_block(out_dir, "distributions",
                          "Not measured yet: run `tools/accuracy_distributions.py`."), ""]


def main():
    global _LIB_PATH
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lib", default=os.path.join(ROOT, "build", "libvarnel-c.so.0"),
                        help="the built C interface (default: build/libvarnel-c.so.0)")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs"),
                        help="directory for accuracy.md and the plots (default: docs/)")
    parser.add_argument("--points", type=int, default=None,
                        help="sample points per region (default 1500, 40 with --quick)")
    parser.add_argument("--quick", action="store_true", help="reduced run for CI")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--families", default="",
                        help="comma-separated subset of: " + ", ".join(f[0] for f in FAMILIES))
    opts = parser.parse_args()
    _LIB_PATH = os.path.abspath(opts.lib)
    n = opts.points or (40 if opts.quick else 1500)
    os.makedirs(opts.out, exist_ok=True)

    available = load_library(_LIB_PATH)
    wanted = [f for f in FAMILIES if not opts.families or f[0] in opts.families.split(",")]
    tasks, missing = [], []
    for key, _, build, fnames in wanted:
        missing += [f for f in fnames if f not in available]
        tasks += [t for t in build(n) if t[0] in available]
    # One task per region; map() keeps the order of the region table.
    with multiprocessing.Pool(opts.jobs) as pool:
        results = pool.map(measure, tasks, chunksize=1)
    for key, title, _, fnames in wanted:
        path = os.path.join(opts.out, f"accuracy-{key}.png")
        # Log axes over arguments near the double range overflow in
        # matplotlib's margin arithmetic; harmless for the picture.
        with warnings.catch_warnings(), np.errstate(over="ignore"):
            warnings.simplefilter("ignore", RuntimeWarning)
            plot_family(key, title, fnames, results, path)
    command = "/usr/bin/python3 tools/accuracy.py"
    if opts.quick:
        command += " --quick"
    if opts.points:
        command += f" --points {opts.points}"
    write_report(opts.out, results, opts.quick, command, missing)
    refresh_blocks(opts.out, results)
    worst = max((e for r in results for e in r[3] if math.isfinite(e)), default=0)
    print(f"{sum(len(r[2]) for r in results)} points in {len(results)} regions; "
          f"report in {os.path.join(opts.out, 'accuracy.md')}; largest finite error {fmt_error(worst)} ULP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
