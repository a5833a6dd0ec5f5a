"""Threads: the bits and NumPy's warnings do not depend on the thread count,
the GIL is released, and the setting, the environment and fork behave."""

import os
import subprocess
import sys
import threading
import time
import warnings

import numpy as np
import pytest

import varnel
from conftest import repetitions

rng = np.random.default_rng(7)
N = 200_000  # above the size from which every ufunc shares its loop


def shapes(n):
    return rng.uniform(0.1, 60, n)


# ufunc, arguments: large enough to be shared among threads
LARGE = [
    ("erf", lambda: (rng.normal(0, 4, N).astype(np.float32),)),
    ("gammaln", lambda: (rng.uniform(-5, 200, N),)),
    ("gamma", lambda: (rng.uniform(-20, 20, N) + 1j * rng.uniform(-20, 20, N),)),
    ("gammainc", lambda: (shapes(N), shapes(N))),
    ("betainc", lambda: (shapes(N), shapes(N), rng.uniform(0, 1, N))),
    # a strided view, and a broadcast operand with stride 0
    ("erfc", lambda: (rng.normal(0, 4, 2 * N)[::2],)),
    ("gammaincc", lambda: (shapes(1)[:, None], shapes(N)[None, :])),
]


@pytest.mark.parametrize("name,make", LARGE, ids=[c[0] for c in LARGE])
def test_bits_do_not_depend_on_thread_count(threads, name, make):
    args = make()
    ufunc = getattr(varnel, name)
    threads(1)
    reference = ufunc(*args)
    for n in (2, 3, 8):
        threads(n)
        got = ufunc(*args)
        assert got.tobytes() == reference.tobytes(), f"{name} with {n} threads"


def warnings_of(call):
    with warnings.catch_warnings(record=True) as caught, np.errstate(all="warn"):
        warnings.simplefilter("always")
        call()
    return sorted(str(w.message) for w in caught)


# ufunc, a harmless argument, the argument that raises a flag, the warning
FLAGGED = [
    ("betainc", (2.0, 3.0, 0.5), (-1.0, 3.0, 0.5), "invalid value encountered in betainc"),
    ("gamma", (0.5 + 1j,), (0j,), "divide by zero encountered in gamma"),
]


@pytest.mark.parametrize("name,plain,bad,message", FLAGGED, ids=[c[0] for c in FLAGGED])
def test_flags_raised_by_workers_reach_the_caller(threads, name, plain, bad, message):
    ufunc = getattr(varnel, name)
    # The flagged element sits at a different place each time, so that across
    # the runs the worker threads compute it too.
    for position in rng.integers(0, N, repetitions(12)):
        args = [np.full(N, p) for p in plain]
        for column, value in zip(args, bad):
            column[position] = value
        seen = []
        for n in (1, 2):
            threads(n)
            seen.append(warnings_of(lambda: ufunc(*args)))
        assert seen[0] == seen[1] == [message], f"bad argument at {position}"


def test_gil_is_released_during_a_long_call(threads):
    threads(1)
    n = max(200_000, repetitions(1_500_000))  # about a second
    a, b, x = shapes(n), shapes(n), rng.uniform(0, 1, n)
    started, finished = threading.Event(), threading.Event()
    span = []

    def long_call():
        started.set()
        t0 = time.perf_counter()
        varnel.betainc(a, b, x)
        span.append(time.perf_counter() - t0)
        finished.set()

    worker = threading.Thread(target=long_call)
    worker.start()
    started.wait()
    last, longest_gap = time.perf_counter(), 0.0
    while not finished.is_set():
        now = time.perf_counter()
        longest_gap, last = max(longest_gap, now - last), now
    worker.join()
    assert span[0] > 0.1, "the call is too short to tell"
    assert longest_gap < span[0] / 2, f"main thread stalled {longest_gap:.3f} s of {span[0]:.3f} s"


def test_concurrent_callers_get_the_same_bits(threads):
    threads(2)
    a, x = shapes(N), shapes(N)
    reference = varnel.gammaincc(a, x)
    results = [None] * 4

    def run(i):
        results[i] = varnel.gammaincc(a, x)

    callers = [threading.Thread(target=run, args=(i,)) for i in range(4)]
    for t in callers:
        t.start()
    for t in callers:
        t.join()
    assert all(r.tobytes() == reference.tobytes() for r in results)


def test_set_num_threads_rejects_nonsense():
    for bad in (0, -1, 10**6):
        with pytest.raises(ValueError, match="set_num_threads"):
            varnel.set_num_threads(bad)
    with pytest.raises(TypeError):
        varnel.set_num_threads("2")


def child_threads(env_value, prefix=()):
    env = dict(os.environ)
    env.pop("VARNEL_NUM_THREADS", None)
    if env_value is not None:
        env["VARNEL_NUM_THREADS"] = env_value
    done = subprocess.run([*prefix, sys.executable, "-W", "always", "-c",
                           "import varnel; print(varnel.get_num_threads())"],
                          env=env, capture_output=True, text=True, check=True)
    return int(done.stdout), done.stderr


def test_thread_count_from_environment_and_affinity():
    assert child_threads("3")[0] == 3
    assert child_threads(None)[0] == len(os.sched_getaffinity(0))
    count, stderr = child_threads("many")
    assert count == len(os.sched_getaffinity(0)) and "VARNEL_NUM_THREADS" in stderr
    assert child_threads(None, prefix=("taskset", "-c", "0"))[0] == 1


# Python 3.12 and later warn on every fork of a process with threads, which
# this test makes on purpose.
@pytest.mark.filterwarnings("ignore:This process .* is multi-threaded:DeprecationWarning")
def test_a_forked_child_computes_with_threads_of_its_own(threads):
    threads(2)
    a, x = shapes(N), shapes(N)
    reference = varnel.gammainc(a, x)  # the parent's workers now exist
    pid = os.fork()
    if pid == 0:
        os._exit(0 if varnel.gammainc(a, x).tobytes() == reference.tobytes() else 1)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            assert os.waitstatus_to_exitcode(status) == 0
            return
        time.sleep(0.05)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    pytest.fail("the forked child hung")
