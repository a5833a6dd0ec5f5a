"""Behaviour as a NumPy ufunc: type rules, array mechanics, bad input."""

import numpy as np
import pytest

import varnel

# Arguments given, and the dtype each ufunc must compute in.
TYPE_RULES = [
    # ufunc, argument dtypes, result dtype, why
    ("erf", ["f4"], "f4", "float32 keeps its single-precision algorithm"),
    ("erf", ["f2"], "f4", "float16 is computed in single precision"),
    ("erf", ["f8"], "f8", "float64"),
    ("erf", ["?"], "f8", "booleans never go to float32, though the cast is safe"),
    ("erfc", ["i1"], "f8", "int8 never goes to float32"),
    ("erfcx", ["u2"], "f8", "uint16 never goes to float32"),
    ("gammaln", ["i2"], "f8", "int16 never goes to float32"),
    ("gamma", ["i8"], "f8", "int64"),
    ("gamma", ["u8"], "f8", "uint64"),
    ("gamma", ["c8"], "c16", "complex64 goes to complex128"),
    ("gamma", ["c16"], "c16", "complex128"),
    ("loggamma", ["f8"], "c16", "loggamma has only the complex loop"),
    ("loggamma", ["i4"], "c16", "integers reach the complex loop"),
    ("calerf", ["f4", "i8"], "f4", "float32 x with an integer selector"),
    ("calerf", ["f4", "i1"], "f4", "a small selector type"),
    ("calerf", ["i4", "i8"], "f8", "integer x goes to float64"),
    ("gammainc", ["f4", "f8"], "f8", "mixed float32 and float64"),
    ("gammainc", ["f4", "f4"], "f8", "double-only functions give float64"),
    ("betainc", ["i8", "f4", "f8"], "f8", "any mix of real types"),
]


@pytest.mark.parametrize("name,dtypes,result,why", TYPE_RULES)
def test_type_rules(name, dtypes, result, why):
    args = [np.ones(3, dtype=d) for d in dtypes]
    assert getattr(varnel, name)(*args).dtype == np.dtype(result), why


def test_python_scalars_compute_in_double():
    assert isinstance(varnel.erf(0.5), np.float64)
    assert varnel.erf(1) == varnel.erf(1.0)
    assert isinstance(varnel.erf(np.float32(0.5)), np.float32)


def test_broadcasting_out_where_and_views():
    a = np.linspace(0.5, 5, 4)[:, None]
    x = np.linspace(0.1, 8, 6)[None, :]
    full = varnel.gammainc(a, x)
    assert full.shape == (4, 6)
    assert full[2, 3] == varnel.gammainc(a[2, 0], x[0, 3])
    out = np.full((4, 6), -7.0)
    mask = x > 2
    assert varnel.gammainc(a, x, out=out, where=mask) is out
    assert np.array_equal(out, np.where(mask, full, -7.0))
    # strided and non-contiguous inputs and outputs
    big = np.linspace(-3, 3, 60).reshape(6, 10)
    view = big[::2, ::-3]
    out_view = np.empty((3, 8))[:, ::2]
    varnel.erfc(view, out=out_view)
    assert np.array_equal(out_view, varnel.erfc(np.ascontiguousarray(view)))
    # in place
    y = big.copy()
    varnel.erf(y, out=y)
    assert np.array_equal(y, varnel.erf(big))


@pytest.mark.parametrize("shape", [(0,), (3, 0), ()])
def test_empty_and_zero_dimensional(shape):
    x = np.full(shape, 0.5, dtype=np.float32)
    got = varnel.gammaln(x)
    assert got.shape == shape and got.dtype == np.float32


def test_explicit_dtype_is_honoured():
    got = varnel.erf(np.arange(3), dtype=np.float32)
    assert got.dtype == np.float32
    assert np.array_equal(got, varnel.erf(np.arange(3, dtype=np.float32)))


NUMPY2 = int(np.__version__.split(".")[0]) >= 2


def test_reductions_refused():
    x = np.array([0.5, 1.5, 2.5])
    refused = [
        lambda: varnel.gammainc.reduce(x),
        lambda: varnel.gammaincc.reduce(np.ones((2, 3)), axis=None),
        lambda: varnel.gammainc.reduce(np.arange(3)),
        lambda: varnel.calerf.reduce(np.ones(3, dtype=np.int64)),
    ]
    if NUMPY2:
        # NumPy 2 asks the promoter for every reduce-like call without out=.
        refused += [
            lambda: varnel.gammainc.accumulate(x),
            lambda: varnel.gammaincc.reduceat(x, [0, 2]),
            lambda: varnel.gammainc.reduce(x, initial=1.0),
        ]
    for call in refused:
        with pytest.raises(TypeError, match="varnel.* has no reduction: it is not an associative"):
            call()
    with pytest.raises(ValueError):
        varnel.erf.reduce(np.ones(3))
    with pytest.raises(ValueError):
        varnel.betainc.reduce(np.ones(3))


def test_what_reductions_still_compute():
    # The documented gaps (docs/python.md, Reductions): NumPy's left fold,
    # one element after the other (the result of each is an argument of the
    # next, which the array versions and the threads must not reorder).
    x = np.array([0.5, 1.5, 2.5])
    fold = varnel.gammainc(varnel.gammainc(x[0], x[1]), x[2])
    if NUMPY2:
        out = np.empty(())
        varnel.gammainc.reduce(x, out=out)
        assert out == fold
        assert varnel.gammainc.reduce(x, dtype=np.float64) == fold
    else:
        assert varnel.gammainc.reduce(x[1:], initial=x[0]) == fold
    long = np.linspace(0.5, 3.0, 20000)
    want = [long[0]]
    for v in long[1:]:
        want.append(varnel.gammainc(want[-1], v))
    got = varnel.gammainc.accumulate(long, out=np.empty_like(long))
    assert np.array_equal(got, np.array(want))
    assert varnel.gammainc.outer(x, x)[1, 2] == varnel.gammainc(x[1], x[2])


BAD_INPUT = [
    # call, text the TypeError must contain
    (lambda: varnel.erf(np.array(["a", "b"])), "varnel.erf .*float32.*float64"),
    (lambda: varnel.gamma(np.array([None, 1.0], dtype=object)), "varnel.gamma .*complex128"),
    (lambda: varnel.loggamma("x"), "varnel.loggamma .*complex128"),
    (lambda: varnel.calerf(0.5, 1.5), "varnel.calerf .*int64.*selector must be an integer"),
    (lambda: varnel.gammainc(np.datetime64("2020-01-01"), 1.0), "varnel.gammainc"),
    (lambda: varnel.erf(np.longdouble(1)), "varnel.erf"),
    (lambda: varnel.erf(1.0, 2.0, 3.0), "erf"),
    (lambda: varnel.betainc(1.0, 2.0), "betainc"),
]


@pytest.mark.parametrize("call,message", BAD_INPUT)
def test_bad_input_is_a_type_error(call, message):
    with pytest.raises(TypeError, match=message):
        call()


def test_docstrings_and_names():
    for name in varnel.UFUNCS:
        ufunc = getattr(varnel, name)
        assert isinstance(ufunc, np.ufunc)
        assert ufunc.__name__ == name
        assert f"{name}(" in ufunc.__doc__ and len(ufunc.__doc__) > 300, name
    assert sorted(varnel.__all__) == sorted(
        list(varnel.UFUNCS) + list(varnel.CONSTANTS) + ["get_num_threads", "set_num_threads"])


def nan_placements(loop):
    """The arguments of a loop ("ddd->d"), each time with a NaN in one
    floating input (in the real or the imaginary part of a complex one) and
    0.5 elsewhere, the selector of calerf running through its kinds."""
    codes = loop.split("->")[0]
    plain = [np.array([0, 1, 2], dtype=c) if c == "l" else np.full(3, 0.5, dtype=c)
             for c in codes]
    for k, code in enumerate(codes):
        if code == "l":
            continue
        nans = [np.nan] if code != "D" else [complex(np.nan, 0.5), complex(0.5, np.nan)]
        for nan in nans:
            args = [a.copy() for a in plain]
            args[k][:] = nan
            yield args


@pytest.mark.parametrize("name", sorted(varnel.UFUNCS))
def test_nan_arguments_raise_no_warning(name):
    # As NumPy's own functions: a NaN passes quietly, "invalid" is for a NaN
    # made from numbers (betainc outside its domain, for example).
    ufunc = getattr(varnel, name)
    for loop in ufunc.types:
        for args in nan_placements(loop):
            with np.errstate(all="raise"):
                ufunc(*args)
