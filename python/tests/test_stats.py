"""varnel.stats, the distributions of libvarnel-stats as ufuncs: every ufunc
has the bits of its C function (called through ctypes on the loaded
libvarnel-stats.so.0, so that nothing here needs the evaluator), broadcasts
over the argument and the parameters, keeps the pair property of a
probability and its quantile, gives the documented edges with the
documented warnings, and is reachable by name and through its family."""

import ctypes
import os
import re

import numpy as np
import pytest

import varnel
from conftest import kinds_of, stats_library
from varnel import stats

inf, nan = np.inf, np.nan
rng = np.random.default_rng(20261209)
PROBABILITIES = [0.0, 5e-324, 1e-300, 1e-10, 0.025, 0.5, 0.975, 1 - 2**-53, 1.0, -0.1, 1.5, nan]

# family (Python and C), discrete, the arguments of the density and the
# tails (edges and the body), and parameter rows (some outside the domain)
FAMILIES = [
    ("norm", "norm", False, [-inf, -40, -1.5, 0, 0.3, 2, 38, inf, nan],
     [(0, 1), (-3, 0.5), (1e10, 1e-3), (0, 0), (0, -1), (inf, 1), (nan, 1)]),
    ("chi2", "chisq", False, [-1, 0, 1e-300, 0.5, 3, 7.81, 1500, inf, nan],
     [(1,), (3,), (0.5,), (2,), (1e7,), (0,), (-2,), (inf,)]),
    ("gamma", "gamma", False, [-1, 0, 1e-300, 0.5, 3, 50, 800, inf, nan],
     [(0.5, 1), (1, 1), (3, 2), (1e9, 1e-9), (2, 0), (-1, 1), (nan, 1)]),
    ("beta", "beta", False, [-0.5, 0, 1e-300, 0.25, 0.5, 1 - 2**-53, 1, 2, nan],
     [(0.5, 0.5), (1, 1), (2, 3), (3, 18), (4, 17), (1e4, 2), (0, 1), (1, inf)]),
    ("t", "t", False, [-inf, -1e200, -3, -0.5, 0, 1, 2.228, 1e30, nan],
     [(1,), (3,), (9,), (0.5,), (1e9,), (0,), (-1,), (nan,)]),
    ("f", "f", False, [-1, 0, 1e-300, 0.5, 1, 12.06, 1e150, inf, nan],
     [(1, 1), (2, 5), (3, 5), (30, 1e4), (0, 5), (3, -1), (inf, 2)]),
    ("poisson", "poisson", True, [-1, 0, 1, 2.5, 7, 30, 1e15, inf, nan],
     [(0,), (0.5,), (7,), (1e15,), (-1,), (inf,), (nan,)]),
    ("binom", "binom", True, [-1, 0, 1, 3, 3.5, 16, 20, 10000, nan],
     [(20, 0.15), (10000, 4e-5), (0, 0.5), (20, 0), (20, 1), (2**53, 0.5), (2.5, 0.5),
      (20, 1.5), (-1, 0.5)]),
    ("nbinom", "nbinom", True, [-1, 0, 1, 2.5, 5, 40, 1e6, inf, nan],
     [(3, 0.5), (0.5, 0.1), (1e6, 0.9), (3, 1), (0, 0.5), (3, 0), (3, nan)]),
]
C_OPERATIONS = ["pdf", "logpdf", "cdf", "sf", "quantile", "isf"]


def python_operations(discrete):
    return (["pmf", "logpmf"] if discrete else ["pdf", "logpdf"]) + ["cdf", "sf", "ppf", "isf"]


UFUNCS = [(f"{family}_{op}", c_family, c_op, xs, params)
          for family, c_family, discrete, xs, params in FAMILIES
          for op, c_op in zip(python_operations(discrete), C_OPERATIONS)]


def grid(xs, params):
    """Every argument against every parameter row, as flat columns."""
    rows = [(x,) + tuple(p) for p in params for x in xs]
    return [np.array(column, dtype=np.float64) for column in zip(*rows)]


@pytest.mark.parametrize("name,c_family,c_op,xs,params", UFUNCS, ids=[u[0] for u in UFUNCS])
def test_bits_equal_the_c_function(name, c_family, c_op, xs, params):
    function = getattr(stats_library(), f"varnel_stats_d_{c_family}_{c_op}")
    function.restype = ctypes.c_double
    function.argtypes = [ctypes.c_double] * (1 + len(params[0]))
    columns = grid(PROBABILITIES if c_op in ("quantile", "isf") else xs, params)
    want = np.array([function(*map(float, row)) for row in zip(*columns)])
    with np.errstate(all="ignore"):  # the edges among them warn, as they should
        ufunc = getattr(stats, name)
        contiguous = ufunc(*columns)
        # reversed views with a gap: the strided array version, backwards
        strided = ufunc(*[np.repeat(c, 2)[::-2] for c in columns])[::-1]
        one_by_one = np.array([ufunc(*row) for row in zip(*columns)])
    assert contiguous.dtype == np.float64
    for got in (contiguous, strided, one_by_one):
        bad = np.flatnonzero(got.view(np.uint64) != want.view(np.uint64))
        assert bad.size == 0, [tuple(c[i] for c in columns) for i in bad[:5]]


# family, parameter rows (the discrete families with the target's crossing
# checked over the integers, the continuous ones over the doubles)
PAIRS = [
    ("norm", [(0, 1), (-3, 0.5), (1e5, 7)]), ("chi2", [(1,), (3,), (0.3,), (250,)]),
    ("gamma", [(0.5, 1), (3, 2), (40, 0.01)]), ("beta", [(0.5, 0.5), (2, 3), (30, 0.7)]),
    ("t", [(1,), (3,), (9,), (0.7,)]), ("f", [(1, 1), (3, 5), (20, 40)]),
    ("poisson", [(0.5,), (7,), (1e6,)]), ("binom", [(20, 0.15), (10000, 4e-5), (1e7, 0.3)]),
    ("nbinom", [(3, 0.5), (0.5, 0.1), (1e4, 0.99)]),
]
DISCRETE = {family for family, _, discrete, _, _ in FAMILIES if discrete}


def previous(family, x):
    return x - 1 if family in DISCRETE else np.nextafter(x, -inf)


@pytest.mark.parametrize("family,params", PAIRS, ids=[p[0] for p in PAIRS])
def test_quantiles_are_crossings_of_the_own_tails(family, params):
    f = getattr(stats, family)
    n = 200
    target = np.concatenate([np.exp(rng.uniform(np.log(1e-300), 0, n // 2)),
                             rng.uniform(0, 1, n - n // 2)])
    # Where the crossing lies beyond the largest double (t with nu < 1, F at
    # tiny targets) it is at the infinite end, with the "divide" warning.
    with np.errstate(divide="ignore", over="ignore"):
        check_pairs(family, f, target, params)


def check_pairs(family, f, target, params):
    for row in params:
        x = f.ppf(target, *row)
        below = f.cdf(previous(family, x), *row)
        ok = (f.cdf(x, *row) >= target) & (target > below)
        assert ok.all(), (family, row, target[~ok][:3])
        y = f.isf(target, *row)
        ok = (f.sf(y, *row) <= target) & (target < f.sf(previous(family, y), *row))
        assert ok.all(), (family, row, target[~ok][:3])


def test_broadcasting_over_the_argument_and_the_parameters():
    x = np.linspace(-2, 2, 5)[:, None, None]
    mu = np.array([-1.0, 0.0, 2.0])[None, :, None]
    sigma = np.array([0.5, 1.0, 3.0, 10.0])
    full = stats.norm_cdf(x, mu, sigma)
    assert full.shape == (5, 3, 4)
    for index in np.ndindex(full.shape):
        i, j, k = index
        assert full[index] == stats.norm_cdf(x[i, 0, 0], mu[0, j, 0], sigma[k])
    # a 0-d parameter with two arrays, out= and where=
    n = np.array([[10], [100]])
    k = np.arange(4)
    assert stats.binom_pmf(k, n, np.float64(0.3)).shape == (2, 4)
    out = np.full((2, 4), -7.0)
    mask = k % 2 == 0
    stats.binom_cdf(k, n, 0.3, out=out, where=mask)
    assert (out[:, ~mask] == -7.0).all()
    assert (out[:, mask] == stats.binom_cdf(k, n, 0.3)[:, mask]).all()
    assert stats.chi2_sf(np.empty((0, 3)), 2).shape == (0, 3)


# ufunc, arguments, the value, the warnings, why
EDGES = [
    ("norm_ppf", (0, 0, 1), -inf, ["divide"], "p = 0: the lower end of the real line"),
    ("norm_ppf", (1, 0, 1), inf, ["divide"], "p = 1: the upper end"),
    ("norm_isf", (0, 0, 1), inf, ["divide"], "q = 0: the upper end"),
    ("t_ppf", (1, 4), inf, ["divide"], "p = 1"),
    ("chi2_ppf", (0, 3), 0.0, [], "p = 0: the finite lower end, silent"),
    ("chi2_isf", (0, 3), inf, ["divide"], "q = 0"),
    ("beta_ppf", (1, 2, 3), 1.0, [], "p = 1: the finite upper end"),
    ("beta_isf", (1, 2, 3), 0.0, [], "q = 1: the lower end"),
    ("poisson_ppf", (1, 7), inf, ["divide"], "p = 1: unbounded support"),
    ("binom_ppf", (1, 20, 0.3), 20.0, [], "p = 1: n"),
    ("binom_ppf", (0, 20, 1.0), 20.0, [], "p = 0 with p = 1: all mass at n"),
    ("nbinom_isf", (1, 3, 0.5), 0.0, [], "q = 1: the lower end"),
    ("norm_ppf", (1.5, 0, 1), nan, ["invalid"], "a probability above 1"),
    ("chi2_isf", (-0.1, 3), nan, ["invalid"], "a probability below 0"),
    ("norm_cdf", (0, 0, 0), nan, ["invalid"], "sigma = 0"),
    ("gamma_pdf", (1, 2, inf), nan, ["invalid"], "an infinite scale"),
    ("binom_pmf", (1, 2.5, 0.5), nan, ["invalid"], "n not an integer"),
    ("nbinom_cdf", (1, 3, 0), nan, ["invalid"], "p = 0"),
    ("t_sf", (1, nan), nan, [], "a NaN parameter passes silently"),
    ("f_cdf", (nan, 3, 5), nan, [], "a NaN argument passes silently"),
    ("gamma_pdf", (0, 0.5, 1), inf, ["divide"], "the pole at 0 for shape < 1"),
    ("gamma_pdf", (0, 1, 2), 0.5, [], "1/scale at 0 for shape 1"),
    ("beta_pdf", (1, 2, 0.5), inf, ["divide"], "the pole at 1 for b < 1"),
    ("chi2_logpdf", (-1, 3), -inf, ["divide"], "log of 0 below the support"),
    ("poisson_logpmf", (2.5, 7), -inf, ["divide"], "log of 0 off the integers"),
    ("norm_logpdf", (-inf, 0, 1), -inf, [], "an infinite argument is not a new infinity"),
    ("norm_logpdf", (-40, 0, 1), -800.9189385332047, [], "finite where the pdf underflows"),
    ("t_cdf", (-inf, 3), 0.0, [], "below the support"),
    ("f_sf", (inf, 3, 5), 0.0, [], "above the support"),
    ("binom_isf", (1e-20, 10000, 4e-5), 16.0, [], "sf(15) > 1e-20 >= sf(16)"),
]


@pytest.mark.parametrize("name,args,value,expected,why", EDGES,
                         ids=[f"{e[0]}{e[1]}" for e in EDGES])
def test_edges_and_their_warnings(name, args, value, expected, why):
    result, kinds = kinds_of(lambda: getattr(stats, name)(*args))
    if np.isnan(value):
        assert np.isnan(result), why
    else:
        assert result == value, why
    assert kinds == expected, why


# family, parameters, a non-integer k and its floor
OFF_INTEGERS = [("poisson", (7,), 3.75, 3), ("binom", (20, 0.3), 5.5, 5),
                ("nbinom", (3, 0.5), 0.25, 0), ("binom", (20, 0.3), -0.5, -1)]


@pytest.mark.parametrize("family,params,k,floor", OFF_INTEGERS,
                         ids=[f"{o[0]}-{o[2]}" for o in OFF_INTEGERS])
def test_discrete_argument_off_the_integers(family, params, k, floor):
    f = getattr(stats, family)
    assert f.pmf(k, *params) == 0
    with np.errstate(divide="ignore"):
        assert f.logpmf(k, *params) == -inf
    assert f.cdf(k, *params) == f.cdf(floor, *params)
    assert f.sf(k, *params) == f.sf(floor, *params)


@pytest.mark.parametrize("dtype", ["?", "i1", "i8", "u4", "f2", "f4", "f8"])
def test_every_real_type_computes_in_float64(dtype):
    k = np.array([0, 1, 1], dtype=dtype)
    reference = stats.poisson_cdf(k.astype(np.float64), 1.0)
    result = stats.poisson_cdf(k, np.array(1, dtype=dtype))
    assert result.dtype == np.float64
    assert result.tobytes() == reference.tobytes()


def test_other_types_and_reductions_are_refused_by_name():
    with pytest.raises(TypeError, match=r"varnel\.stats\.chi2_sf does not accept"):
        stats.chi2_sf(np.array(["a"]), 3)
    with pytest.raises(TypeError, match=r"varnel\.stats\.t_cdf has no reduction"):
        stats.t_cdf.reduce(np.ones(3))
    with pytest.raises(TypeError):
        stats.norm_cdf(1.0, 0.0)  # no default scale: three positional arguments


def test_names_families_docstrings_and_stubs():
    import varnel.stats as imported

    assert imported is stats is varnel.stats
    assert stats.FAMILIES == tuple(f[0] for f in FAMILIES)
    assert stats.UFUNCS == tuple(u[0] for u in UFUNCS)
    assert sorted(stats.__all__) == sorted(stats.FAMILIES + stats.UFUNCS)
    for family, c_family, discrete, _, _ in FAMILIES:
        namespace = getattr(stats, family)
        operations = python_operations(discrete)
        assert dir(namespace) == sorted(operations)
        for op, c_op in zip(operations, C_OPERATIONS):
            ufunc = getattr(namespace, op)
            assert isinstance(ufunc, np.ufunc) and ufunc is getattr(stats, f"{family}_{op}")
            assert f"varnel_stats_d_{c_family}_{c_op} " in ufunc.__doc__.replace("\n", " ")
        with pytest.raises(AttributeError):
            namespace.pdf = None
    stub = open(os.path.join(os.path.dirname(stats.__file__), "stats.pyi")).read()
    assert tuple(re.findall(r"^(\w+): np\.ufunc$", stub, re.M)) == stats.UFUNCS
    kinds = re.findall(r"^(\w+): Final\[_(Continuous|Discrete)Family\]$", stub, re.M)
    assert kinds == [(f[0], "Discrete" if f[2] else "Continuous") for f in FAMILIES]


def test_bits_and_warnings_do_not_depend_on_thread_count(threads):
    n = 3000  # above the size from which a quantile shares its loop
    p = rng.uniform(0, 1, n)
    p[1234] = 1.0  # one infinite end among them
    shape = np.exp(rng.uniform(np.log(0.1), np.log(1e3), n))
    threads(1)
    reference, kinds = kinds_of(lambda: stats.gamma_isf(p[::-1], shape, 2.0))
    assert kinds == []  # q = 1 is the finite lower end
    reference_ppf, kinds_ppf = kinds_of(lambda: stats.gamma_ppf(p, shape, 2.0))
    assert kinds_ppf == ["divide"]
    for count in (2, 4):
        threads(count)
        result, kinds = kinds_of(lambda: stats.gamma_ppf(p, shape, 2.0))
        assert result.tobytes() == reference_ppf.tobytes() and kinds == ["divide"]
        assert stats.gamma_isf(p[::-1], shape, 2.0).tobytes() == reference.tobytes()
