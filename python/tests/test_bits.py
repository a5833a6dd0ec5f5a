"""Every loop of every ufunc gives the bits of the C++ library (libvarnel, and
libvarnel-stats for the inverse functions).

Each row names a ufunc, the dtype of one of its loops, the library function
that loop must call (as the evaluator names it) and the arguments: hand-picked
edges (signed zeros, infinities, NaN, poles, region boundaries and their
neighbours) plus random arguments over the domain.
"""

import numpy as np
import pytest

import varnel

rng = np.random.default_rng(20261208)


def log_uniform(lo, hi, n, signed=False):
    v = np.exp(rng.uniform(np.log(lo), np.log(hi), n))
    return v * rng.choice([-1.0, 1.0], n) if signed else v


EDGE_REAL = [0.0, -0.0, 5e-324, -5e-324, 1e-310, 1.1e-16, 5.96e-8, 0.46875,
             np.nextafter(0.46875, 1), 0.5, 1.0, 2.0, 4.0, np.nextafter(4.0, 0), 9.194,
             26.543, -26.628, -9.382, 2900.0, 6.71e7, 2.53e307, 0.6796875, 1.5, 12.0,
             35.04, 171.624, 171.7, -1.0, -2.0, -0.5, -170.5, -171.5, 1e300, -1e300,
             np.inf, -np.inf, np.nan]
REAL = np.concatenate([EDGE_REAL, -np.array(EDGE_REAL[5:30]),
                       log_uniform(1e-8, 200, 600, signed=True), rng.normal(0, 3, 300)])
EDGE_COMPLEX = [0, -0.0, 1, 2, 0.5, -1, -2, -18, -19, -2.5, 18, 18 + 1j, 140, 150,
                -1e-10, -3 + 1e-7j, 1e-200j, 1j, -1j, complex(np.inf, 0),
                complex(-np.inf, 0), complex(np.nan, 1), complex(1, np.nan)]
COMPLEX = np.concatenate([np.array(EDGE_COMPLEX, dtype=complex),
                          rng.uniform(-30, 30, 400) + 1j * rng.uniform(-30, 30, 400)])
STIRLING = rng.uniform(18, 120, 200) + 1j * rng.uniform(-60, 60, 200)

EDGE_SHAPE = [0.0, -1.0, 1e-300, 0.5, 1.0, 2.0, 30.0, 1e5, np.inf, np.nan]
EDGE_X = [0.0, -0.0, -0.1, 1e-20, 0.3, 0.5, 0.9, 1.0, 1.1, 40.0, np.inf, np.nan]


def grid(*axes):
    return np.array(np.meshgrid(*axes, indexing="ij")).reshape(len(axes), -1).T


def incomplete_gamma():
    edges = grid(EDGE_SHAPE[:-3] + [np.nan], EDGE_X)
    rand = np.column_stack([log_uniform(1e-3, 1e3, 500), log_uniform(1e-4, 2e3, 500)])
    return np.vstack([edges, rand])


def incomplete_beta(positive_only, x_max=1.0):
    shapes = [s for s in EDGE_SHAPE if not positive_only or s > 0]
    xs = [x for x in EDGE_X if not positive_only or 0 <= x < x_max]
    edges = grid(shapes[:-2], shapes[:-2], xs)
    rand = np.column_stack([log_uniform(0.05, 500, 400), log_uniform(0.05, 500, 400),
                            rng.uniform(0, x_max, 400)])
    return np.vstack([edges, rand])


# Targets of the inverse functions: the ends and beyond them, subnormal and
# tiny ones, the largest below 1, NaN and infinities, then random ones.
EDGE_TARGET = [0.0, -0.0, 5e-324, 1e-300, 1e-20, 1e-8, 0.05, 0.5, 0.95,
               1 - 1e-12, float(np.nextafter(1.0, 0)), 1.0, -0.1, 1.1, np.inf,
               -np.inf, np.nan]
TARGET = np.concatenate([EDGE_TARGET, log_uniform(1e-30, 1, 200), rng.uniform(0, 1, 200)])
ERF_TARGET = np.concatenate([TARGET, -TARGET[:40], [-1.0, 1.5]])
ERFC_TARGET = np.concatenate([TARGET, 2 - TARGET[:40], [2.0, 2.5, float(np.nextafter(2.0, 0))]])
INVERSE_SHAPE = [0.0, -1.0, 1e-3, 0.5, 1.0, 3.0, 30.0, 1e4, np.inf, np.nan]


def inverse_gamma():
    edges = grid(INVERSE_SHAPE, EDGE_TARGET)
    rand = np.column_stack([log_uniform(1e-3, 1e3, 300), rng.uniform(0, 1, 300)])
    return np.vstack([edges, rand])


def inverse_beta():
    edges = grid(INVERSE_SHAPE[1:-1], INVERSE_SHAPE[2:-2], EDGE_TARGET)
    rand = np.column_stack([log_uniform(0.05, 500, 200), log_uniform(0.05, 500, 200),
                            rng.uniform(0, 1, 200)])
    return np.vstack([edges, [(0.0, 2.0, 0.5), (2.0, 0.0, 0.5), (np.nan, 2.0, 0.5)], rand])


def selectors(x):
    """x crossed with every selector kind, including ones beyond C int."""
    kinds = [0, 1, 2, 3, -1, 2**31, -2**40]
    return [(v, k) for v in x for k in kinds]


def clamp(kind):
    return max(min(kind, 2**31 - 1), -2**31)


# ufunc, loop dtype, evaluator function, fixed trailing selector, arguments
CASES = [
    ("erf", np.float32, "s_calerf", 0, REAL),
    ("erf", np.float64, "d_calerf", 0, REAL),
    ("erfc", np.float32, "s_calerf", 1, REAL),
    ("erfc", np.float64, "d_calerf", 1, REAL),
    ("erfcx", np.float32, "s_calerf", 2, REAL),
    ("erfcx", np.float64, "d_calerf", 2, REAL),
    ("gamma", np.float32, "s_gamma", None, REAL),
    ("gamma", np.float64, "d_gamma", None, REAL),
    ("gammaln", np.float32, "s_lngamma", None, REAL),
    ("gammaln", np.float64, "d_lngamma", None, REAL),
    ("gamma", np.complex128, "z_gamma", None, COMPLEX),
    ("loggamma", np.complex128, "z_lngamma", None, COMPLEX),
    ("cstirf", np.complex128, "cstirf", None, np.concatenate([STIRLING, COMPLEX[:20]])),
    ("gammainc", np.float64, "d_igamma", None, incomplete_gamma()),
    ("gammaincc", np.float64, "d_igamc", None, incomplete_gamma()),
    ("betainc", np.float64, "cephes::d_ibeta", None, incomplete_beta(False)),
    ("betainc_cf", np.float64, "specfun::d_ibeta", None, incomplete_beta(True)),
    ("pseries", np.float64, "pseries", None, incomplete_beta(True, x_max=0.95)),
    ("incbcf", np.float64, "incbcf", None, incomplete_beta(False)),
    ("incbd", np.float64, "incbd", None, incomplete_beta(False)),
    ("erfinv", np.float32, "s_erf_inv", None, ERF_TARGET),
    ("erfinv", np.float64, "d_erf_inv", None, ERF_TARGET),
    ("erfcinv", np.float32, "s_erfc_inv", None, ERFC_TARGET),
    ("erfcinv", np.float64, "d_erfc_inv", None, ERFC_TARGET),
    ("gammaincinv", np.float64, "d_igamma_inv", None, inverse_gamma()),
    ("gammainccinv", np.float64, "d_igamc_inv", None, inverse_gamma()),
    ("betaincinv", np.float64, "d_ibeta_inv", None, inverse_beta()),
    ("betainccinv", np.float64, "d_ibetac_inv", None, inverse_beta()),
    ("calerf", np.float32, "s_calerf", "kind", selectors(REAL[:80])),
    ("calerf", np.float64, "d_calerf", "kind", selectors(REAL[:80])),
]


def case_id(case):
    return f"{case[0]}-{np.dtype(case[1]).name}"


def evaluate(ufunc, dtype, selector, args):
    """The ufunc's results and the argument rows to give the evaluator."""
    if selector == "kind":
        x = np.array([a[0] for a in args], dtype=dtype)
        kind = np.array([a[1] for a in args], dtype=np.int64)
        return ufunc(x, kind), [(v, clamp(int(k))) for v, k in zip(x, kind)]
    columns = np.asarray(args).T if np.ndim(args) == 2 else [args]
    operands = [np.asarray(c, dtype=dtype) for c in columns]
    if np.issubdtype(dtype, np.complexfloating):
        rows = [(z.real, z.imag) for z in operands[0]]
    else:
        rows = list(zip(*operands))
    if selector is not None:
        rows = [row + (selector,) for row in rows]
    return ufunc(*operands), rows


@pytest.mark.parametrize("name,dtype,function,selector,args", CASES, ids=map(case_id, CASES))
def test_bits_equal_cpp(evaluator, name, dtype, function, selector, args):
    ufunc = getattr(varnel, name)
    with np.errstate(all="ignore"):
        got, rows = evaluate(ufunc, dtype, selector, args)
    assert got.dtype == dtype
    complex_result = got.dtype == np.complex128
    want = evaluator.bits(function, rows, single=got.dtype == np.float32,
                          complex_result=complex_result)
    have = got.view(np.uint32 if got.dtype == np.float32 else np.uint64)
    if complex_result:
        have = have.reshape(-1, 2)
    bad = np.flatnonzero((have != want).reshape(len(rows), -1).any(axis=1))
    assert bad.size == 0, (f"{name} ({np.dtype(dtype).name}) differs from {function} at "
                           f"{[rows[i] for i in bad[:5]]}")


def test_constants_are_the_library_objects(evaluator):
    for name in varnel.CONSTANTS:
        value = getattr(varnel, name)
        assert isinstance(value, float)
        assert np.float64(value).view(np.uint64) == evaluator.constant_bits(name), name
