"""Shared fixtures: the package under test and the C++ reference.

The package is imported from wherever PYTHONPATH puts it (the build tree's
``python`` directory or an installed prefix). The reference is the ``varnel``
command-line evaluator, a C++ program calling the same library: give its path
in VARNEL_EVALUATOR, or it is looked for in the usual build directories and
on PATH. VARNEL_TEST_SLOWDOWN shortens the repetitive tests on a slow
machine (an emulator).
"""

import ctypes
import glob
import os
import shutil
import subprocess
import warnings

import numpy as np
import pytest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# How many times slower than native the machine runs the tests (about 15
# under qemu): repetitions that only add more of the same are divided by it,
# never below one, and array sizes stay above the threading thresholds.
SLOWDOWN = max(1, int(os.environ.get("VARNEL_TEST_SLOWDOWN", "1")))


def repetitions(n):
    return max(1, n // SLOWDOWN)


def _find_evaluator():
    given = os.environ.get("VARNEL_EVALUATOR")
    if given:
        if not os.access(given, os.X_OK):
            pytest.fail(f"VARNEL_EVALUATOR={given} is not an executable")
        return given
    built = sorted(glob.glob(os.path.join(REPO, "build*", "tools", "varnel", "varnel")),
                   key=os.path.getmtime, reverse=True)
    return built[0] if built else shutil.which("varnel")


def _text(value):
    """A number as the evaluator reads it, exactly (hex-float for reals)."""
    if isinstance(value, (int, np.integer)):
        return str(int(value))
    value = float(value)
    return "nan" if np.isnan(value) else value.hex()


def stats_library():
    """The C functions themselves, from the libvarnel-stats.so.0 this process
    has loaded with the extension (the installed one, or the wheel's beside
    it), without the evaluator."""
    import varnel._varnel  # noqa: F401  (loads it)

    paths = {line.split()[-1] for line in open("/proc/self/maps")
             if line.rstrip().endswith("/libvarnel-stats.so.0")}
    assert len(paths) == 1, paths
    return ctypes.CDLL(paths.pop())


def kinds_of(call):
    """The result of call() and the kinds of NumPy's warnings it gave."""
    with warnings.catch_warnings(record=True) as caught, np.errstate(all="warn"):
        warnings.simplefilter("always")
        result = call()
    return result, sorted({str(w.message).split()[0] for w in caught})


class Evaluator:
    def __init__(self, path):
        self.path = path

    def bits(self, function, rows, single=False, complex_result=False):
        """Result bits of `function` for each argument row, as unsigned ints."""
        lines = "".join(" ".join(_text(v) for v in row) + "\n" for row in rows)
        done = subprocess.run([self.path, "--stdin", function], input=lines,
                              capture_output=True, text=True, check=False)
        assert done.returncode == 0, done.stderr
        out = done.stdout.splitlines()[1:]
        assert len(out) == len(rows), done.stderr
        if complex_result:
            return np.array([[int(f, 16) for f in line.split(",")[-2:]] for line in out],
                            dtype=np.uint64)
        return np.array([int(line.split(",")[-1], 16) for line in out],
                        dtype=np.uint32 if single else np.uint64)

    def constant_bits(self, name):
        done = subprocess.run([self.path, name], capture_output=True, text=True, check=True)
        return int(done.stdout.split("bits")[-1].strip(), 16)


@pytest.fixture(scope="session")
def evaluator():
    path = _find_evaluator()
    if path is None:
        pytest.skip("no varnel evaluator: build the project or set VARNEL_EVALUATOR")
    return Evaluator(path)


@pytest.fixture
def threads():
    """Restores the thread setting a test changes."""
    import varnel

    before = varnel.get_num_threads()
    yield varnel.set_num_threads
    varnel.set_num_threads(before)
