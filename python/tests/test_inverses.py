"""The inverse functions of libvarnel-stats as ufuncs: each result is where
this package's forward function crosses the target (to the last bit, as the
library promises), the same bits as the C array functions called through
ctypes, broadcasting and types as for every ufunc, the ends and edges of each
domain with their warnings, and bits and warnings that do not depend on the
number of threads. (test_bits.py holds every loop against the evaluator.)"""

import ctypes

import numpy as np
import pytest

import varnel
from conftest import kinds_of, repetitions, stats_library

inf, nan = np.inf, np.nan
rng = np.random.default_rng(20261209)


def upper_beta(a, b, x):
    """The upper tail as betainccinv defines it: betainc(b, a, 1 - x)."""
    return varnel.betainc(b, a, 1 - x)


# ufunc, its forward function, whether that increases, the loop dtype, and a
# maker of arguments (the target last)
def targets(n, hi=1.0):
    t = np.concatenate([np.exp(rng.uniform(np.log(1e-300), 0, n // 2)),
                        rng.uniform(0, hi, n - n // 2)])
    return t[(t > 0) & (t < hi)]


def shapes(n):
    return np.exp(rng.uniform(np.log(1e-2), np.log(1e4), n))


INVERSES = [
    ("erfinv", varnel.erf, True, np.float64, lambda n: (rng.uniform(-1, 1, n),)),
    ("erfinv", varnel.erf, True, np.float32,
     lambda n: (rng.uniform(-1, 1, n).astype(np.float32),)),
    ("erfcinv", varnel.erfc, False, np.float64, lambda n: (targets(n, 2.0),)),
    ("erfcinv", varnel.erfc, False, np.float32,
     lambda n: (rng.uniform(0.001, 1.999, n).astype(np.float32),)),
    ("gammaincinv", varnel.gammainc, True, np.float64, lambda n: (shapes(n), targets(n))),
    ("gammainccinv", varnel.gammaincc, False, np.float64, lambda n: (shapes(n), targets(n))),
    ("betaincinv", varnel.betainc, True, np.float64,
     lambda n: (shapes(n), shapes(n), targets(n))),
    ("betainccinv", upper_beta, False, np.float64,
     lambda n: (shapes(n), shapes(n), targets(n))),
]


def inverse_id(case):
    return f"{case[0]}-{np.dtype(case[3]).name}"


def trim(args):
    n = min(len(a) for a in args)
    return [a[:n] for a in args]


@pytest.mark.parametrize("name,forward,increasing,dtype,make", INVERSES,
                         ids=map(inverse_id, INVERSES))
def test_result_is_where_the_forward_function_crosses(name, forward, increasing, dtype, make):
    args = trim(make(400))
    x = getattr(varnel, name)(*args)
    assert x.dtype == dtype
    prev = np.nextafter(x, dtype(-inf))
    t = args[-1]
    at_x, at_prev = forward(*args[:-1], x), forward(*args[:-1], prev)
    if increasing:
        ok = (at_x >= t) & (t > at_prev)
    else:
        ok = (at_x <= t) & (t < at_prev)
    bad = np.flatnonzero(~ok)
    assert bad.size == 0, f"{name} at {[tuple(col[i] for col in args) for i in bad[:5]]}"


D = ctypes.c_double
PD = ctypes.POINTER(ctypes.c_double)
PF = ctypes.POINTER(ctypes.c_float)
SIZE, INC = ctypes.c_size_t, ctypes.c_ssize_t  # ptrdiff_t on Linux

# ufunc, dtype, C array function, its number of arguments
C_ARRAYS = [
    ("erfinv", np.float32, "varnel_stats_s_erf_inv_array", 1),
    ("erfinv", np.float64, "varnel_stats_d_erf_inv_array", 1),
    ("erfcinv", np.float32, "varnel_stats_s_erfc_inv_array", 1),
    ("erfcinv", np.float64, "varnel_stats_d_erfc_inv_array", 1),
    ("gammaincinv", np.float64, "varnel_stats_d_igamma_inv_array", 2),
    ("gammainccinv", np.float64, "varnel_stats_d_igamc_inv_array", 2),
    ("betaincinv", np.float64, "varnel_stats_d_ibeta_inv_array", 3),
    ("betainccinv", np.float64, "varnel_stats_d_ibetac_inv_array", 3),
]


@pytest.mark.parametrize("name,dtype,symbol,nin", C_ARRAYS,
                         ids=[f"{c[0]}-{np.dtype(c[1]).name}" for c in C_ARRAYS])
def test_bits_equal_the_c_array_function(name, dtype, symbol, nin):
    lib = stats_library()
    n = 300
    args = [shapes(n) for _ in range(nin - 1)]
    args.append(np.concatenate([rng.uniform(0, 1, n - 8), [0, 1, -0.5, nan, 1e-300, 0.5, 2, inf]]))
    args = [a.astype(dtype) for a in args]
    # Every second element of a longer array: strided operands both ways.
    strided = [np.repeat(a, 2)[::2] for a in args]
    with np.errstate(all="ignore"):  # the edges among them warn, as they should
        got = getattr(varnel, name)(*strided)
    pointer = PF if dtype == np.float32 else PD
    function = getattr(lib, symbol)
    function.restype = None
    function.argtypes = [SIZE] + [pointer, INC] * (nin + 1)
    want = np.empty(n, dtype=dtype)
    call = [n]
    for a in args:
        call += [a.ctypes.data_as(pointer), 1]
    function(*call, want.ctypes.data_as(pointer), 1)
    assert got.tobytes() == want.tobytes()


def test_broadcasting_views_out_and_where():
    a = np.array([0.5, 1.0, 3.0, 30.0])[:, None]
    p = np.array([0.0, 1e-10, 0.25, 0.5, 0.999, 1.0])[None, :]
    with np.errstate(all="ignore"):
        full = varnel.gammaincinv(a, p)
        assert full.shape == (4, 6)
        for i in range(4):
            for j in range(6):
                assert full[i, j].tobytes() == varnel.gammaincinv(a[i, 0], p[0, j]).tobytes()
        # three operands of different shapes, one of them 0-d
        b = np.array([[2.0], [5.0]])[:, :, None]
        x = varnel.betaincinv(np.float64(2.0), b, p)
        assert x.shape == (2, 1, 6)
        assert x[1, 0, 2].tobytes() == varnel.betaincinv(2.0, 5.0, 0.25).tobytes()
        out = np.full((4, 6), -7.0)
        mask = np.arange(6) % 2 == 0
        assert varnel.gammainccinv(a, p, out=out, where=mask) is out
        assert (out[:, ~mask] == -7.0).all()
        assert out[:, mask].tobytes() == varnel.gammainccinv(a, p)[:, mask].tobytes()
        # reversed and non-contiguous views
        q = np.linspace(0.01, 1.99, 41)
        assert varnel.erfcinv(q[::-3]).tobytes() == varnel.erfcinv(q[::-3].copy()).tobytes()
    assert varnel.erfinv(np.empty((0, 3))).shape == (0, 3)


# ufunc, argument dtypes, result dtype
TYPES = [
    ("erfinv", ["f4"], "f4"), ("erfinv", ["f2"], "f4"), ("erfinv", ["f8"], "f8"),
    ("erfinv", ["i8"], "f8"), ("erfcinv", ["f4"], "f4"), ("erfcinv", ["?"], "f8"),
    ("gammaincinv", ["f4", "f4"], "f8"), ("gammainccinv", ["i4", "f8"], "f8"),
    ("betaincinv", ["f4", "f4", "f4"], "f8"), ("betainccinv", ["f8", "i8", "f4"], "f8"),
]


@pytest.mark.parametrize("name,dtypes,result", TYPES,
                         ids=[f"{t[0]}-{'-'.join(t[1])}" for t in TYPES])
def test_types(name, dtypes, result):
    args = [np.ones(3, dtype=d) * (0.5 if np.dtype(d).kind == "f" else 1) for d in dtypes]
    with np.errstate(all="ignore"):
        assert getattr(varnel, name)(*args).dtype == np.dtype(result)


def test_float32_is_the_single_precision_function():
    p = np.float32([0.1, 0.5, 0.9])
    single = varnel.erfinv(p)
    assert single.dtype == np.float32
    # the float32 loop is not the float64 result rounded: it is s_erf_inv,
    # where s_calerf crosses the target
    prev = np.nextafter(single, np.float32(-inf))
    assert ((varnel.erf(single) >= p) & (p > varnel.erf(prev))).all()


# ufunc, dtype, arguments, the value, the warnings, why
EDGES = [
    ("erfinv", "f8", (1.0,), inf, ["divide"], "p = 1: the end of the support"),
    ("erfinv", "f8", (-1.0,), -inf, ["divide"], "p = -1"),
    ("erfinv", "f4", (1.0,), inf, ["divide"], "p = 1 in float32"),
    ("erfinv", "f8", (1.5,), nan, ["invalid"], "beyond the interval"),
    ("erfinv", "f4", (-inf,), nan, ["invalid"], "an infinite target"),
    ("erfinv", "f8", (nan,), nan, [], "NaN passes through"),
    ("erfcinv", "f8", (0.0,), inf, ["divide"], "q = 0"),
    ("erfcinv", "f8", (2.0,), -inf, ["divide"], "q = 2"),
    ("erfcinv", "f4", (2.5,), nan, ["invalid"], "beyond the interval"),
    ("erfcinv", "f8", (-0.5,), nan, ["invalid"], "below the interval"),
    ("gammaincinv", "f8", (3.0, 0.0), 0.0, [], "p = 0"),
    ("gammaincinv", "f8", (3.0, 1.0), inf, ["divide"], "p = 1"),
    ("gammaincinv", "f8", (0.0, 0.5), nan, ["invalid"], "a = 0"),
    ("gammaincinv", "f8", (-1.0, 0.5), nan, ["invalid"], "a < 0"),
    ("gammaincinv", "f8", (3.0, 1.5), nan, ["invalid"], "p > 1"),
    ("gammaincinv", "f8", (nan, 0.5), nan, [], "NaN passes through"),
    ("gammaincinv", "f8", (3.0, nan), nan, [], "NaN passes through"),
    ("gammainccinv", "f8", (3.0, 0.0), inf, ["divide"], "q = 0"),
    ("gammainccinv", "f8", (3.0, 1.0), 0.0, [], "q = 1"),
    ("gammainccinv", "f8", (3.0, -0.1), nan, ["invalid"], "q < 0"),
    ("betaincinv", "f8", (2.0, 3.0, 0.0), 0.0, [], "p = 0"),
    ("betaincinv", "f8", (2.0, 3.0, 1.0), 1.0, [], "p = 1"),
    ("betaincinv", "f8", (0.0, 3.0, 0.5), nan, ["invalid"], "a = 0"),
    ("betaincinv", "f8", (2.0, -3.0, 0.5), nan, ["invalid"], "b < 0"),
    ("betaincinv", "f8", (2.0, 3.0, nan), nan, [], "NaN passes through"),
    ("betainccinv", "f8", (2.0, 3.0, 0.0), 1.0, [], "q = 0"),
    ("betainccinv", "f8", (2.0, 3.0, 1.0), 0.0, [], "q = 1"),
    ("betainccinv", "f8", (2.0, 3.0, 1.25), nan, ["invalid"], "q > 1"),
]


@pytest.mark.parametrize("name,dtype,args,value,expected,why", EDGES,
                         ids=[f"{e[0]}-{e[1]}-{e[2]}" for e in EDGES])
def test_edges_and_their_warnings(name, dtype, args, value, expected, why):
    operands = [np.array([a], dtype=dtype) for a in args]
    result, kinds = kinds_of(lambda: getattr(varnel, name)(*operands))
    assert result.dtype == np.dtype(dtype)
    if np.isnan(value):
        assert np.isnan(result[0]), why
    else:
        assert result[0] == value, why
    assert kinds == expected, why


N = 3000  # above the size from which the inverse functions share their loop


# ufunc, arguments, an element that warns, its warning
THREADED = [
    ("erfinv", lambda: (rng.uniform(-1, 1, N).astype(np.float32),), (1.0,), ["divide"]),
    ("erfcinv", lambda: (rng.uniform(0, 2, N)[::-1],), (2.5,), ["invalid"]),
    ("gammaincinv", lambda: (shapes(N), rng.uniform(0, 1, N)), (-1.0, 0.5), ["invalid"]),
    ("gammainccinv", lambda: (shapes(1), rng.uniform(0, 1, N)), (3.0, 0.0), ["divide"]),
    ("betaincinv", lambda: (shapes(N), shapes(N), rng.uniform(0, 1, N)), (2.0, 3.0, nan), []),
    ("betainccinv", lambda: (shapes(N), shapes(N), rng.uniform(0, 1, N)), (2.0, 0.0, 0.5),
     ["invalid"]),
]


@pytest.mark.parametrize("name,make,odd,expected", THREADED, ids=[t[0] for t in THREADED])
def test_bits_and_warnings_do_not_depend_on_thread_count(threads, name, make, odd, expected):
    ufunc = getattr(varnel, name)
    args = [np.array(a) for a in make()]
    threads(1)
    reference = ufunc(*args)
    for n in (2, 3, 8):
        threads(n)
        assert ufunc(*args).tobytes() == reference.tobytes(), f"{name} with {n} threads"
    for position in rng.integers(0, N, repetitions(3)):
        flagged = [np.broadcast_to(a, (N,)).copy() for a in args]
        for column, value in zip(flagged, odd):
            column[position] = value
        for n in (1, 4):
            threads(n)
            assert kinds_of(lambda: ufunc(*flagged))[1] == expected, (position, n)
