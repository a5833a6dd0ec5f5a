#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: fuzz/corpus/<function>/<name>,
each file the raw argument bytes of one call (little-endian, in parameter
order: 8 bytes per double, 4 per float or int). The seeds are the edges of
each algorithm: thresholds and their neighbours, poles, signed zeros,
subnormals, infinities and NaN. Rerun after changing the lists; the output is
committed so that fuzzing starts from the edges on every machine."""
import math
import os
import shutil
import struct

INF, NAN = math.inf, math.nan
HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def below(v):
    return math.nextafter(v, -INF)


def above(v):
    return math.nextafter(v, INF)


COMMON = [0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 0.5, -0.5, 1.0,
          -1.0, 2.0, INF, -INF, NAN, -NAN, 1.7976931348623157e308, -1.7976931348623157e308]

COMMON_F = [0.0, -0.0, 1e-45, -1e-45, 1.1754943508222875e-38, 0.5, -0.5, 1.0, -1.0, 2.0,
            INF, -INF, NAN, -NAN, 3.4028234663852886e38, -3.4028234663852886e38]

CALERF_D = COMMON + [1.11e-16, above(1.11e-16), 0.46875, above(0.46875), -0.46875, 4.0,
                     above(4.0), -4.0, 26.543, below(26.543), -26.543, 6.71e7, below(6.71e7),
                     2.53e307, below(2.53e307), -26.628, below(-26.628), -26.6, 10.0, -10.0]
CALERF_F = COMMON_F + [5.96e-8, 0.46875, 4.0, 9.194, -9.194, 2900.0, 4.79e37, -9.382, -9.383,
                     -9.38, 5.0, -5.0]
KINDS = [0, 1, 2, 3, -1, -2147483648, 2147483647]

GAMMA_D = COMMON + [-2.0, 2.22e-16, below(2.22e-16), 2.23e-308, 2.2e-308, 1e-300, -1e-300,
                    11.0, 12.0, below(12.0), 171.624, 171.625, -170.5, -171.5, -1.5,
                    -4503599627370496.0, -4503599627370497.0, 1e-320]
GAMMA_F = COMMON_F + [1.19e-7, 1.18e-38, 1.176e-38, 35.04, 35.05, -33.5, -34.5, -1e-39,
                    -3e-39, -8388608.0, -8388609.0, 11.0, 12.0]

LNGAMMA_D = COMMON + [2.22e-16, above(2.22e-16), 0.6796875, below(0.6796875), 1.5,
                      above(1.5), 4.0, above(4.0), 12.0, above(12.0), 2.25e76, above(2.25e76),
                      2.55e305, above(2.55e305), 1e100, 1e-300, 1.4616321449683623]
LNGAMMA_F = COMMON_F + [1.19e-7, 0.6796875, 1.5, 4.0, 12.0, 1.42e9, 2e9, 4.08e36, 4.09e36,
                      1.4616321]

COMPLEX = [(0, 0), (-0.0, 0), (0, -0.0), (1, 0), (2, 0), (0.5, 0), (2.5, 0), (10, 0),
           (18, 0.5), (18, 0), (above(18), 0), (-18, 0), (-19, 0), (-20, 0), (-3, 0),
           (-3, -0.0), (-3, 1), (-3, -1), (0, 2), (-0.0, 2), (0, -2), (-17.5, 0),
           (-18.5, 0), (-19.5, 0), (-20, 5), (1e-10, 0), (-1 + 1e-10, 0), (150, 0),
           (-150.5, 0), (5, 3), (7, 0), (6.5, 0), (-0.5, 0), (-0.75, 0), (-0.25, -0.0),
           (-0.49, 1), (-0.51, 1), (-2147483648.0, 0), (-2147483649.0, 0), (0, 230),
           (-1, 230), (1e155, 1), (1e300, 1e300), (INF, 0), (-INF, 0), (0, INF),
           (NAN, 0), (0, NAN), (20, 0)]

IGAMMA = [(1, 2), (1, 0.5), (1, 1000), (3, 3), (1, 1), (0.5, 1), (2, 1), (0, 5), (-1, 5),
          (5, 0), (5, -0.0), (NAN, 0), (-1, NAN), (NAN, -2), (NAN, 1), (1, NAN),
          (1, INF), (INF, 1), (1e-300, 1e-300), (1e-300, 1), (100, 100), (1e6, 1e6),
          (1e10, 1e10), (1e20, 1e20), (1e300, 1e300), (710, 1), (1, 710), (0.5, 1e-300),
          (5e-324, 5e-324), (1.7976931348623157e308, 1.7976931348623157e308)]

IBETA = [(2, 3, 0.4), (5, 2, 0.7), (5, 2, 0.75), (2, 3, 0.6), (1, 1, 0.5), (3, 1, 0.5),
         (1, 1, 2 / 3), (0.5, 0.5, 0.5), (1000, 1000, 0.1), (1000, 1000, 0.9),
         (1000, 1000, 0.5), (2, 3, 0), (2, 3, -0.0), (2, 3, 1), (2, 3, -0.5), (2, 3, 1.5),
         (2, 3, INF), (0, 2, 0), (2, -1, 1), (NAN, 2, 0), (2, NAN, 1), (2, 2, NAN),
         (2, 3, 0.95), (2, 0.5, above(0.95)), (100, 71.62437695630271, 0.5),
         (100, 71.624, 0.5), (100, 71.6243, 0.5), (2 ** -53, 1, 0.5), (2 ** -52, 1, 0.5),
         (1e-300, 1e-300, 0.5), (1e300, 1e300, 0.5), (1e10, 1e10, 0.5), (1e-300, 1, 0.9),
         (0.1, 0.1, 0.999), (5, 1e-10, 0.5), (1, 2, 1.0000000000000002),
         (1.7976931348623157e308, 1.7976931348623157e308, 0.5)]


# The distributions of libvarnel-stats: one operation byte (pdf, logpdf, cdf,
# sf, quantile, isf) and the argument and two parameters, per family: typical
# members, huge and tiny parameters, degenerate members, the edges of the
# domain; arguments in the body, in the far tails and at the ends.
DIST_PARAMS = {
    "norm": [(0, 1), (5, 1e-3), (-1e3, 100), (0, 5e-324), (0, INF), (NAN, 1)],
    "chisq": [(3, 0), (0.5, 0), (1e4, 0), (5e-324, 0), (1e-300, 0)],
    "gamma": [(2, 3), (1e-3, 1), (1e4, 1e-2), (1e12, 1), (1e-300, 0.5)],
    "beta": [(2, 3), (0.01, 0.5), (1e3, 1e3), (1, 1), (1e-300, 2)],
    "t": [(3, 0), (0.5, 0), (1e5, 0), (1, 0), (1e-300, 0)],
    "f": [(3, 5), (0.5, 100), (1e3, 2), (2, 2), (1e-300, 1)],
    "poisson": [(3, 0), (0.5, 0), (1e6, 0), (1e15, 0), (0, 0)],
    "binom": [(10, 0.3), (10000, 4e-5), (1e6, 0.5), (2.0 ** 53, 0.5), (10, 0), (10, 1), (0, 0.5)],
    "nbinom": [(3, 0.5), (0.5, 0.01), (1e3, 0.9), (1e12, 0.5), (2, 1)],
}
DIST_POINTS = [0.0, 0.5, 2.0, -1.0, 30.0, 1e300, INF, NAN]        # pdf, logpdf, cdf, sf
DIST_TARGETS = [0.0, 1.0, 5e-324, 1e-300, 0.5, below(1.0), NAN, 2.0]  # quantile, isf


def distribution_rows(params):
    return [(op, x, a, b) for op in range(6) for (a, b) in params
            for x in (DIST_TARGETS if op >= 4 else DIST_POINTS)]


def write(function, name, data):
    d = os.path.join(CORPUS, function)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def write_all(function, fmt, rows):
    for i, row in enumerate(rows):
        write(function, "seed-%03d" % i, struct.pack(fmt, *row))


def main():
    if os.path.isdir(CORPUS):
        for d in os.listdir(CORPUS):
            for f in os.listdir(os.path.join(CORPUS, d)):
                if f.startswith("seed-"):
                    os.remove(os.path.join(CORPUS, d, f))
    write_all("s_calerf", "<fi", [(x, k) for x in CALERF_F for k in KINDS])
    write_all("d_calerf", "<di", [(x, k) for x in CALERF_D for k in KINDS])
    write_all("s_gamma", "<f", [(x,) for x in GAMMA_F])
    write_all("d_gamma", "<d", [(x,) for x in GAMMA_D])
    write_all("s_lngamma", "<f", [(x,) for x in LNGAMMA_F])
    write_all("d_lngamma", "<d", [(x,) for x in LNGAMMA_D])
    for f in ("cstirf", "z_gamma", "z_lngamma"):
        write_all(f, "<dd", COMPLEX)
    for f in ("d_igamma", "d_igamc"):
        write_all(f, "<dd", IGAMMA)
    for f in ("specfun_d_ibeta", "cephes_d_ibeta", "incbcf", "incbd", "pseries"):
        write_all(f, "<ddd", IBETA)
    write_distributions()


def write_distributions():
    for family, params in DIST_PARAMS.items():
        write_all("stats_dist_" + family, "<B3d", distribution_rows(params))


if __name__ == "__main__":
    main()
