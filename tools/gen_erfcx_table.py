#!/usr/bin/python3
"""Writes the reference table of the scaled complementary error function
exp(x^2) erfc(x) used by tests/calerf_test.cpp: tests/data/erfcx_data.csv.

The independent reference tables carry erf and erfc but not the scaled
function, so this table is made once with mpmath at 60 significant digits and
committed; rerunning the script reproduces it byte for byte (fixed seed).

Every argument is a binary32 value, so the single-precision function can be
checked on the same rows as the double one. The arguments cover each region
of the evaluation and both signs: |x| <= 0.46875, up to 4, up to the bound
where erfc underflows, beyond it up to where the asymptotic form takes over,
and far out where only 1/(sqrt(pi) x) is left. Negative arguments stop where
exp(x^2) would overflow a double.

Columns: x (exact decimal of the argument), erfcx (40 significant digits).

Usage: /usr/bin/python3 tools/gen_erfcx_table.py [output path]
"""
import os
import random
import struct
import sys

import mpmath

mpmath.mp.dps = 60


def to_float32(v):
    """Nearest binary32 value, returned as a Python float (exact)."""
    return struct.unpack("<f", struct.pack("<f", v))[0]


def arguments():
    rng = random.Random(20261208)
    xs = set()

    def uniform(lo, hi, n):
        for _ in range(n):
            xs.add(to_float32(rng.uniform(lo, hi)))

    def log_uniform(lo, hi, n, sign=1):
        for _ in range(n):
            xs.add(sign * to_float32(10 ** rng.uniform(lo, hi)))

    log_uniform(-30, -0.33, 12)            # tiny to 0.46875, positive
    log_uniform(-30, -0.33, 12, sign=-1)   # and negative
    uniform(-0.46875, 0.46875, 30)         # region 1
    uniform(0.46875, 4, 50)                # region 2
    uniform(-4, -0.46875, 40)
    uniform(4, 9.194, 30)                  # region 3, single precision bound
    uniform(9.194, 26.543, 40)             # region 3, double precision bound
    uniform(-26.6, -4, 40)                 # negative: 2 exp(x^2) - erfcx(|x|)
    log_uniform(1.424, 7.8, 50)            # 26.543 to 6.3e7: region-3 form
    log_uniform(7.83, 37, 30)              # asymptotic 1/(sqrt(pi) x)
    # Region ends, exact as binary32.
    for v in (0.46875, -0.46875, 4.0, -4.0, 0.5, 1.0, -1.0, 2.0, 5.0, 10.0,
              26.5, 30.0, 100.0, 2900.0, 1e4, 1e6, -9.375, -26.5):
        xs.add(to_float32(v))
    return sorted(xs)


def erfcx(x):
    x = mpmath.mpf(x)
    return mpmath.exp(x * x) * mpmath.erfc(x)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "tests", "data", "erfcx_data.csv")
    with open(out, "w") as f:
        f.write("x,erfcx\n")
        for x in arguments():
            f.write("%s,%s\n" % (repr(x), mpmath.nstr(erfcx(x), 40, min_fixed=-1, max_fixed=1)))


if __name__ == "__main__":
    main()
