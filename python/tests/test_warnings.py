"""NumPy's floating-point warnings mean what they say: a NaN argument passes
silently, "invalid" marks a NaN made from arguments that were not NaN,
"divide" a pole, "overflow" an infinity from finite arguments, and the finite
overflow values the library returns by design warn nothing. The same with
any number of threads."""

import warnings

import numpy as np
import pytest

import varnel
from conftest import repetitions

inf, nan = np.inf, np.nan

# ufunc, loop dtype, arguments, the warnings expected, why
TABLE = [
    ("erf", "f4", (nan,), [], "NaN passes through"),
    ("erf", "f8", (-inf,), [], "a limit, not an overflow"),
    ("erfc", "f8", (nan,), [], "NaN passes through"),
    ("erfcx", "f8", (-30.0,), [], "the finite overflow value, by design"),
    ("erfcx", "f4", (-10.0,), [], "the finite overflow value, by design"),
    ("calerf", "f8", (nan, 7), [], "NaN with any selector"),
    ("gamma", "f8", (0.0,), [], "a pole gives the finite overflow value"),
    ("gamma", "f8", (-3.0,), [], "a pole gives the finite overflow value"),
    ("gamma", "f8", (200.0,), [], "the finite overflow value"),
    ("gamma", "f8", (-inf,), [], "the finite overflow value"),
    ("gamma", "f4", (nan,), [], "NaN gives the overflow value, silently"),
    ("gamma", "f4", (40.0,), [], "the finite overflow value"),
    ("gammaln", "f8", (-1.0,), [], "out of the domain: the overflow value"),
    ("gammaln", "f4", (0.0,), [], "out of the domain: the overflow value"),
    ("gamma", "c16", (0j,), ["divide"], "pole at zero"),
    ("gamma", "c16", (complex(-3, 0),), ["divide"], "pole at a negative integer"),
    ("gamma", "c16", (complex(-3, -0.0),), ["divide"], "-0j is on the real axis"),
    ("gamma", "c16", (complex(-3, 1e-300),), [], "beside the pole"),
    ("gamma", "c16", (complex(200, 0),), ["overflow"], "inf with a NaN part is an overflow"),
    ("gamma", "c16", (complex(inf, 0),), ["invalid"], "NaN from an infinite argument"),
    ("gamma", "c16", (complex(1e300, 0),), ["invalid"], "NaN from a huge argument"),
    ("gamma", "c16", (complex(500, 500),), ["overflow"], "both parts infinite"),
    ("gamma", "c16", (complex(nan, 0),), [], "NaN real part"),
    ("gamma", "c16", (complex(0, nan),), [], "NaN imaginary part"),
    ("loggamma", "c16", (complex(-2, 0),), ["divide"], "pole"),
    ("loggamma", "c16", (complex(0, 1e300),), ["overflow"], "infinite imaginary part"),
    ("loggamma", "c16", (complex(inf, 0),), ["invalid"], "NaN from an infinite argument"),
    ("loggamma", "c16", (complex(nan, 1),), [], "NaN passes through"),
    ("cstirf", "c16", (complex(200, 0),), ["overflow"], "no poles: an overflow"),
    ("gammainc", "f8", (1.0, inf), ["invalid"], "x = +inf gives NaN"),
    ("gammainc", "f8", (1e300, 1e300), ["invalid"], "stopped at the step cap"),
    ("gammainc", "f8", (-1.0, 2.0), [], "out of the domain: 0 by design"),
    ("gammainc", "f8", (nan, 1.0), [], "NaN passes through"),
    ("gammaincc", "f8", (2.0, inf), ["invalid"], "x = +inf gives NaN"),
    ("gammaincc", "f8", (0.0, nan), [], "out of the domain: 1 by design"),
    ("betainc", "f8", (1.0, 1.0, 2.0), ["invalid"], "x beyond 1"),
    ("betainc", "f8", (-1.0, 3.0, 0.5), ["invalid"], "a below 0"),
    ("betainc", "f8", (nan, 1.0, 0.5), [], "NaN passes through"),
    ("betainc", "f8", (1.0, 1.0, nan), [], "NaN passes through"),
    ("betainc_cf", "f8", (1.0, -1.0, 1.0), ["overflow"], "b <= 0 is not checked"),
    ("betainc_cf", "f8", (0.0, 0.0, 0.5), ["invalid"], "0/0"),
    ("pseries", "f8", (0.0, 1.0, 0.5), ["overflow"], "a = 0"),
    ("pseries", "f8", (nan, 1.0, 0.5), [], "NaN passes through"),
    ("incbcf", "f8", (0.0, 0.0, 0.5), ["invalid"], "0/0"),
    ("incbd", "f8", (0.0, 0.0, 0.5), ["invalid"], "0/0"),
]


def warnings_of(call):
    """The kinds of NumPy floating-point warnings a call gives."""
    with warnings.catch_warnings(record=True) as caught, np.errstate(all="warn"):
        warnings.simplefilter("always")
        result = call()
    return result, sorted({str(w.message).split()[0] for w in caught})


def operands(dtype, args):
    return [np.array([a], dtype=np.int64 if isinstance(a, int) else dtype) for a in args]


@pytest.mark.parametrize("name,dtype,args,expected,why", TABLE,
                         ids=[f"{r[0]}-{r[1]}-{r[2]}" for r in TABLE])
def test_warning_table(name, dtype, args, expected, why):
    ufunc = getattr(varnel, name)
    result, got = warnings_of(lambda: ufunc(*operands(dtype, args)))
    assert result.dtype == np.dtype(dtype), "the loop under test"
    assert got == expected, why


@pytest.mark.parametrize("name,dtype,args,expected,why", TABLE,
                         ids=[f"{r[0]}-{r[1]}-{r[2]}" for r in TABLE])
def test_warning_table_in_place(name, dtype, args, expected, why):
    # out= an argument: the results overwrite the arguments the warnings
    # are derived from.
    ufunc = getattr(varnel, name)
    with np.errstate(all="ignore"):
        want = ufunc(*operands(dtype, args))
    for i in range(len(args)):
        ops = operands(dtype, args)
        if ops[i].dtype != want.dtype:
            continue
        result, got = warnings_of(lambda: ufunc(*ops, out=ops[i]))
        assert result is ops[i] and result.tobytes() == want.tobytes()
        assert got == expected, f"{why}, in place of argument {i}"


def test_flags_of_the_input_cast_still_reach_numpy():
    # NumPy's own cast of 1e300 to float32 overflows before the loop runs.
    with pytest.raises(FloatingPointError), np.errstate(over="raise"):
        varnel.erf(np.array([1e300]), dtype=np.float32)


# Every loop of every ufunc: arguments that never warn by themselves.
rng = np.random.default_rng(16)
N = 40_000  # above the size from which every loop is shared among threads


def plain(n):
    return rng.uniform(0.5, 5.0, n)


LOOPS = [
    ("erf", "f4", 1), ("erf", "f8", 1), ("erfc", "f4", 1), ("erfc", "f8", 1),
    ("erfcx", "f4", 1), ("erfcx", "f8", 1), ("calerf", "f4", 1), ("calerf", "f8", 1),
    ("gamma", "f4", 1), ("gamma", "f8", 1), ("gamma", "c16", 1),
    ("gammaln", "f4", 1), ("gammaln", "f8", 1), ("loggamma", "c16", 1),
    ("cstirf", "c16", 1), ("gammainc", "f8", 2), ("gammaincc", "f8", 2),
    ("betainc", "f8", 3), ("betainc_cf", "f8", 3), ("pseries", "f8", 3),
    ("incbcf", "f8", 3), ("incbd", "f8", 3),
]


def arguments_with_nan(name, dtype, nin, n):
    """n argument sets, each argument NaN at its own scattered places."""
    args = []
    for i in range(nin):
        column = plain(n)
        if nin == 3 and i == 2:
            column = rng.uniform(0.05, 0.5, n)  # x of the incomplete beta family
        column[rng.integers(0, n, n // 50)] = nan
        if dtype == "c16":
            column = column + 1j * rng.uniform(-3, 3, n)
            column[rng.integers(0, n, n // 50)] += complex(0, nan)
        if name == "cstirf":
            column = column + 20  # its domain
        args.append(column.astype(dtype))
    if name == "calerf":
        args.append(rng.integers(-2, 5, n))
    return args


@pytest.mark.parametrize("name,dtype,nin", LOOPS, ids=[f"{r[0]}-{r[1]}" for r in LOOPS])
def test_nan_entries_pass_silently_with_any_thread_count(threads, name, dtype, nin):
    ufunc = getattr(varnel, name)
    args = arguments_with_nan(name, dtype, nin, N)
    results = []
    for n in (1, 2, 4):
        threads(n)
        with np.errstate(all="raise"):
            results.append(ufunc(*args))
    assert all(r.tobytes() == results[0].tobytes() for r in results[1:])
    if name not in ("gamma", "gammaln") or dtype == "c16":
        nan_argument = np.any([np.isnan(a) for a in args if a.dtype.kind in "fc"], axis=0)
        assert np.isnan(results[0][nan_argument]).all(), "NaN in, NaN out"


# A few elements that warn, among many that do not: the same warnings with any
# thread count, wherever the element falls.
SCATTERED = [
    ("gamma", (0.5 + 1j,), (complex(-4, 0),), ["divide"]),
    ("gamma", (0.5 + 1j,), (complex(nan, 0),), []),
    ("gammainc", (2.0, 3.0), (2.0, inf), ["invalid"]),
    ("betainc", (2.0, 3.0, 0.5), (nan, 3.0, 0.5), []),
    ("betainc_cf", (2.0, 3.0, 0.5), (1.0, -1.0, 1.0), ["overflow"]),
]


@pytest.mark.parametrize("name,plain_args,odd,expected", SCATTERED,
                         ids=[f"{r[0]}-{r[3]}" for r in SCATTERED])
def test_warnings_do_not_depend_on_thread_count(threads, name, plain_args, odd, expected):
    ufunc = getattr(varnel, name)
    for position in rng.integers(0, N, repetitions(4)):
        args = [np.full(N, p) for p in plain_args]
        for column, value in zip(args, odd):
            column[position] = value
        for n in (1, 2, 4):
            threads(n)
            assert warnings_of(lambda: ufunc(*args))[1] == expected, (position, n)
            # in place, over many chunks and blocks
            copies = [a.copy() for a in args]
            assert warnings_of(lambda: ufunc(*copies, out=copies[-1]))[1] == expected, \
                (position, n, "in place")
