#!/usr/bin/env python3
"""A first look at the varnel package: single and double precision, complex
arguments, a p-value, threads and a lazy Dask array.

    PYTHONPATH=_install/lib/python3/dist-packages python3 examples/python/quick_tour.py
"""

import numpy as np

import varnel

x32 = np.array([0.5, 1.0, 2.0], dtype=np.float32)
x64 = x32.astype(np.float64)
print("erf, float32 in, single-precision algorithm:", varnel.erf(x32))
print("erf, float64 in, double-precision algorithm:", varnel.erf(x64))
print("gamma(0.5)**2 =", varnel.gamma(0.5) ** 2, " PI =", varnel.PI)
print("gamma of a complex argument:", varnel.gamma(0.5 + 1j))
# Gamma(-2.5) is negative: its logarithm has imaginary part -pi.
print("loggamma(-2.5) =", varnel.loggamma(-2.5), " exp of it:", np.exp(varnel.loggamma(-2.5)),
      " gamma(-2.5) =", varnel.gamma(-2.5))

# Chi-square with 3 degrees of freedom: upper-tail p-value of a statistic 7.81
print("chi-square p-value, k = 3, x = 7.81:", varnel.gammaincc(1.5, 7.81 / 2))
# Student t with 10 degrees of freedom, two-sided p-value of t = 2.228
t, nu = 2.228, 10
print("Student t p-value, nu = 10, t = 2.228:", varnel.betainc(nu / 2, 0.5, nu / (nu + t * t)))

# Integers and booleans are computed in double precision, never in single.
print("dtype of erf(int16 array):", varnel.erf(np.arange(3, dtype=np.int16)).dtype)

print("threads for large arrays:", varnel.get_num_threads())
big = np.random.default_rng(0).uniform(0.5, 50, (2, 1_000_000))
print("mean P(a, x) over 10^6 points:", varnel.gammainc(big[0], big[1]).mean())

try:
    import dask.array as da
except ImportError:
    da = None
if da is not None:
    lazy = varnel.erfc(da.linspace(0, 5, 1_000_000, chunks=250_000))
    print("Dask:", type(lazy).__name__, lazy.numblocks, "blocks; sum =", float(lazy.sum().compute()))
