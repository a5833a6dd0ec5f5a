#!/usr/bin/python3
"""Reference values of the complex gamma and log-gamma functions.

Writes tests/data/complex_gamma_mpmath.csv: for each test point (an exact
double pair) the value computed by mpmath at 256 bits and rounded to 30
significant digits. Points are drawn with a fixed seed from the regions whose
accuracy the tests assert, one region per row group:

  function  region        what the points exercise
  gamma     direct        18 < x <= 40: Stirling's formula as it stands
  gamma     direct_far    40 < x <= 140: the same, large power and exponential
  gamma     recurrence    |x| <= 18 away from the real poles: upward recurrence
  gamma     real_axis     y = 0, |x| <= 18, non-integer, not near a pole
  gamma     near_pole     y = 0 within 1e-9 of 0, -1, ..., -18: two-term series
  gamma     reflection    -140 <= x < -18, off the poles: reflection formula
  gamma     reflection_near_pole
                          y = 0 within 1e-6 of -19, ..., -40: the reflection
                          where its sine of a fraction near 1 cancels
  lngamma   unshifted     x > 7: Stirling series at the point itself
  lngamma   shifted       0 <= x <= 7: series at x + n, n = trunc(7 - x)
  lngamma   reflection    x < 0 off the real axis: reflection formula
  lngamma   negative_real y = 0, x < 0 non-integer: reflection on the cut

The log-gamma reference follows the library's branch of the imaginary part:
for x >= 0 it is mpmath's loggamma (continuous, zero on the positive axis);
for x < 0 it is -arg(-z) - Arg(sin(pi z)) - Im loggamma(-z), with Arg the
principal angle in (-pi, pi], which differs from mpmath's loggamma by a
multiple of 2 pi (checked below). Points where sin(pi z) lies too close to
the negative real axis for the double computation to pick the same side are
left out.

Run once from the repository root: /usr/bin/python3 tools/gen_complex_gamma_table.py
"""
import csv
import math
import random

import mpmath

mpmath.mp.prec = 256
OUT = "tests/data/complex_gamma_mpmath.csv"
DIGITS = 30
rng = random.Random(20261208)


def uniform(lo, hi):
    return rng.uniform(lo, hi)


def mp_complex(x, y):
    return mpmath.mpc(mpmath.mpf(x), mpmath.mpf(y))


def fmt(v):
    return mpmath.nstr(v, DIGITS, min_fixed=1, max_fixed=0)


def gamma_ref(x, y):
    return mpmath.gamma(mp_complex(x, y))


def lngamma_ref(x, y):
    z = mp_complex(x, y)
    if x >= 0:
        return mpmath.loggamma(z)
    w = -z
    a, b = mpmath.mpf(-x), mpmath.mpf(-y)
    pi = mpmath.pi
    sr = -(mpmath.sin(a * pi) * mpmath.cosh(b * pi))
    si = -(mpmath.cos(a * pi) * mpmath.sinh(b * pi))
    lw = mpmath.loggamma(w)
    if y == 0:
        # On the real axis the library's angle of sin(pi z) is atan2(-0 or +0,
        # sr): the sign of zero comes from -(cos(pi a) * sinh(-0 * pi)).
        sign_zero = -math.copysign(1.0, math.cos(-x * math.pi)) * math.copysign(1.0, -y)
        phi = 0 if sr > 0 else math.copysign(1.0, sign_zero) * pi
        tau = 0
    else:
        phi = mpmath.atan2(si, sr)
        tau = mpmath.atan(b / a)
    re = mpmath.log(pi / (abs(mpmath.mpc(sr, si)) * abs(w))) - lw.real
    im = (-tau - phi) - lw.imag
    k = (im - mpmath.loggamma(z).imag) / (2 * pi)
    assert abs(k - mpmath.nint(k)) < 1e-20, (x, y, k)
    assert abs(re - mpmath.loggamma(z).real) < mpmath.mpf(10) ** -40 * max(1, abs(re)), (x, y)
    return mpmath.mpc(re, im)


def near_negative_axis_of_sine(x):
    """True when cos(pi x) is so small that the sign of the double sine's
    imaginary part could differ from the exact one."""
    return abs(math.cos(math.pi * x)) < 1e-6


def near_integer(x, d):
    return abs(x - round(x)) < d


rows = []


def add(fn, region, x, y):
    ref = gamma_ref(x, y) if fn == "gamma" else lngamma_ref(x, y)
    rows.append([fn, region, repr(x), repr(y), fmt(ref.real), fmt(ref.imag)])


N = 150
for _ in range(N):
    add("gamma", "direct", uniform(18.0001, 40), uniform(-20, 20))
for _ in range(N):
    add("gamma", "direct_far", uniform(40, 140), uniform(-60, 60))
count = 0
while count < 2 * N:
    x, y = uniform(-18, 18), uniform(-20, 20)
    if abs(y) < 0.05 and near_integer(x, 0.05) and x < 0.5:
        continue
    add("gamma", "recurrence", x, y)
    count += 1
count = 0
while count < N:
    x = uniform(-18, 18)
    if x < 0.5 and near_integer(x, 0.01):
        continue
    add("gamma", "real_axis", x, 0.0)
    count += 1
for n in range(0, 19):
    for delta in (1e-12, -3e-11, 7.5e-10, -9.9e-10):
        if -n + delta >= -18:
            add("gamma", "near_pole", -n + delta, 0.0)
for n in range(19, 41):
    for delta in (1e-6, -1e-6, 1e-9, -1e-9):
        add("gamma", "reflection_near_pole", -n + delta, 0.0)
count = 0
while count < N:
    x, y = uniform(-140, -18.0001), uniform(-20, 20)
    if abs(y) < 0.05 and near_integer(x, 0.05):
        continue
    add("gamma", "reflection", x, y)
    count += 1

for _ in range(N):
    add("lngamma", "unshifted", uniform(7.0001, 1000), uniform(-100, 100))
for _ in range(N):
    add("lngamma", "shifted", uniform(0, 7), uniform(-20, 20))
count = 0
while count < N:
    x, y = uniform(-50, -1e-3), uniform(-30, 30)
    if abs(y) < 0.1 or near_negative_axis_of_sine(x):
        continue
    add("lngamma", "reflection", x, y)
    count += 1
count = 0
while count < N // 2:
    x = uniform(-50, -1e-3)
    if near_integer(x, 1e-3):
        continue
    add("lngamma", "negative_real", x, rng.choice((0.0, -0.0)))
    count += 1

with open(OUT, "w", newline="") as f:
    w = csv.writer(f, lineterminator="\n")
    w.writerow(["function", "region", "re", "im", "ref_re", "ref_im"])
    w.writerows(rows)
print(f"{len(rows)} rows written to {OUT}")
