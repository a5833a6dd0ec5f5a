#!/usr/bin/env python3
"""Measures the speed of the varnel package and writes docs/python-performance.md.

    cmake -S . -B build && cmake --build build -j2
    PYTHONPATH=build/python /usr/bin/python3 python/bench/bench.py --build build

Per element on one thread against a C++ loop over the same arrays (the C++
loop is compiled here against the same libvarnel.so.0), against
numpy.vectorize of Python's math module, thread scaling, and the overhead
of Dask per chunk. Figures are the best of several runs, so that other
load on the machine counts as little as it can.
"""

import argparse
import ctypes
import datetime
import math
import os
import platform
import subprocess
import time

import numpy as np

import varnel

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
rng = np.random.default_rng(1)
load_at_start = 0.0


def best_of_each(calls, repeats, clock=time.perf_counter):
    """Best time of each call, the calls taking turns so that a busy moment of
    the machine falls on all of them alike. One-thread comparisons use the
    calling thread's CPU time, which other processes on the machine do not
    inflate; everything else wall-clock time."""
    times = [float("inf")] * len(calls)
    for _ in range(repeats):
        for i, call in enumerate(calls):
            t0 = clock()
            call()
            times[i] = min(times[i], clock() - t0)
    return times


def compile_baseline(build):
    out = os.path.join(build, "python", "cpp_loop.so")
    lib = os.path.abspath(build)
    subprocess.run(["c++", "-O2", "-std=c++17", "-shared", "-fPIC", "-ffp-contract=off",
                    "-I", os.path.join(ROOT, "include"), os.path.join(HERE, "cpp_loop.cpp"),
                    "-L", lib, "-Wl,-rpath," + lib, "-l:libvarnel.so.0", "-o", out], check=True)
    loop = ctypes.CDLL(out).cpp_loop
    loop.restype = ctypes.c_int
    loop.argtypes = [ctypes.c_char_p, ctypes.c_long] + [ctypes.c_void_p] * 4
    return loop


def arguments(name, dtype, n):
    if name == "erf":
        return [rng.normal(0, 3, n).astype(dtype)]
    if name == "gamma":
        return [rng.uniform(-30 if dtype == np.float64 else -10, 30, n).astype(dtype)]
    if name == "gammaln":
        return [rng.uniform(0.01, 100, n)]
    if name == "loggamma":
        return [rng.uniform(-20, 20, n) + 1j * rng.uniform(-20, 20, n)]
    if name in ("gammainc", "gammaincc"):
        return [rng.uniform(0.5, 50, n), rng.uniform(0, 60, n)]
    return [rng.uniform(0.5, 50, n), rng.uniform(0.5, 50, n), rng.uniform(0, 1, n)]


BASELINE = [("erf", np.float32), ("erf", np.float64), ("gamma", np.float32),
            ("gamma", np.float64), ("gammaln", np.float64), ("loggamma", np.complex128),
            ("gammainc", np.float64), ("gammaincc", np.float64), ("betainc", np.float64),
            ("betainc_cf", np.float64)]


def against_cpp(loop, sizes):
    rows = []
    varnel.set_num_threads(1)
    for name, dtype in BASELINE:
        for n in sizes:
            args = arguments(name, dtype, n)
            ufunc = getattr(varnel, name)
            out = ufunc(*args)
            cpp_out = np.empty_like(out)
            pointers = [a.ctypes.data for a in args] + [None] * (3 - len(args))
            key = f"{name}/{np.dtype(dtype).name}".encode()
            repeats = 15 if n <= 100_000 else 9
            t_py, t_cpp = best_of_each([lambda: ufunc(*args, out=out),
                                        lambda: loop(key, n, *pointers, cpp_out.ctypes.data)],
                                       repeats, clock=time.thread_time)
            assert cpp_out.tobytes() == out.tobytes(), f"{name}: C++ and Python bits differ"
            rows.append((f"`{name}` {np.dtype(dtype).name}", n, t_py / n * 1e9, t_cpp / n * 1e9))
    return rows


def against_vectorize(n):
    rows = []
    varnel.set_num_threads(1)
    for name, py in (("erf", math.erf), ("gammaln", math.lgamma), ("gamma", math.gamma)):
        x = rng.uniform(0.1, 20, n)
        vec = np.vectorize(py, otypes=[np.float64])
        ufunc = getattr(varnel, name)
        t_ours, t_vec = best_of_each([lambda: ufunc(x), lambda: vec(x)], 3,
                                     clock=time.thread_time)
        rows.append((name, f"math.{py.__name__}", t_ours / n * 1e9, t_vec / n * 1e9))
    return rows


def thread_scaling(n):
    rows = []
    for name in ("gammainc", "gammaincc", "betainc", "betainc_cf"):
        args = arguments(name, np.float64, n)
        ufunc = getattr(varnel, name)
        wall = {1: float("inf"), 2: float("inf")}
        cpu = dict(wall)
        ratios = []
        # Many turns: the best of each needs a moment when the cores are free.
        # The median of the ratios within a turn, whose two calls ran close
        # together, is a second view less sensitive to one lucky run.
        for _ in range(25):
            turn = {}
            for threads in (1, 2):
                varnel.set_num_threads(threads)
                w0, c0 = time.perf_counter(), time.process_time()
                ufunc(*args)
                turn[threads] = time.perf_counter() - w0
                wall[threads] = min(wall[threads], turn[threads])
                cpu[threads] = min(cpu[threads], time.process_time() - c0)
            ratios.append(turn[1] / turn[2])
        rows.append((name, n, wall[1] * 1e3, wall[2] * 1e3, wall[1] / wall[2],
                     float(np.median(ratios)), cpu[1] * 1e3, cpu[2] * 1e3))
    return rows


def dask_overhead(n, few, many):
    """Whole-computation times of one graph cut into `few` and into `many`
    chunks: the slope is the cost of one more chunk, the rest a fixed cost."""
    import dask.array as da
    from dask.distributed import Client, LocalCluster

    def graph(chunks):
        # arguments made in the tasks, cheaply, so that no data travels
        a = da.linspace(0.5, 50, n, chunks=n // chunks)
        x = da.linspace(60, 0.1, n, chunks=n // chunks)
        return varnel.gammaincc(a, x).sum()

    rows = []
    graphs = [graph(few), graph(many)]
    varnel.set_num_threads(1)
    times = best_of_each([lambda g=g: g.compute(scheduler="synchronous") for g in graphs], 5)
    rows.append(("synchronous scheduler, this process", times))
    cluster = LocalCluster(n_workers=2, threads_per_worker=1, host="127.0.0.1",
                           dashboard_address=None)
    with Client(cluster) as client:
        client.run(varnel.set_num_threads, 1)
        for g in graphs:
            g.compute()
        times = best_of_each([lambda g=g: g.compute() for g in graphs], 5)
        rows.append(("local cluster, 2 worker processes", times))
    cluster.close()
    return [(label, t_few, t_many, (t_many - t_few) / (many - few)) for label, (t_few, t_many)
            in rows]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="build directory (build)")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "python-performance.md"))
    parser.add_argument("--quick", action="store_true", help="small sizes, to try the script")
    args = parser.parse_args()
    global load_at_start
    load_at_start = os.getloadavg()[0]
    loop = compile_baseline(args.build)
    default_threads = varnel.get_num_threads()
    sizes = [1_000, 100_000] if args.quick else [1_000, 100_000, 1_000_000]
    cpp_rows = against_cpp(loop, sizes)
    vec_rows = against_vectorize(20_000 if args.quick else 200_000)
    varnel.set_num_threads(default_threads)
    scale_rows = thread_scaling(100_000 if args.quick else 1_000_000)
    dask_n, few, many = (200_000, 4, 40) if args.quick else (2_000_000, 20, 200)
    dask_rows = dask_overhead(dask_n, few, many)
    varnel.set_num_threads(default_threads)

    load = os.getloadavg()
    load_start = load_at_start
    cpu = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            cpu = next(l.split(":", 1)[1].strip() for l in f if l.startswith("model name"))
    except (OSError, StopIteration):
        pass
    lines = [
        "# Python package: measured speed",
        "",
        "Generated by `python/bench/bench.py` (the command below); these are",
        "benchmarks, not tests, and no test asserts a time. Each figure is the best of",
        "several runs. The machine is shared, so figures vary from run to run.",
        "",
        "```sh",
        "cmake -S . -B build && cmake --build build -j2",
        "PYTHONPATH=build/python /usr/bin/python3 python/bench/bench.py --build build",
        "```",
        "",
        f"Measured {datetime.datetime.utcnow():%Y-%m-%d %H:%M} UTC on {cpu}, "
        f"{len(os.sched_getaffinity(0))} cores, load average {load_start:.2f} at the start "
        f"and {load[0]:.2f} at the end; "
        f"Python {platform.python_version()}, NumPy {np.__version__}, varnel {varnel.__version__}.",
        "",
        "## One thread against a C++ loop",
        "",
        "CPU time per element of the ufunc (`varnel.set_num_threads(1)`, contiguous",
        "arrays, `out=` preallocated) and of a C++ loop over the same arrays calling the same",
        "exported function (`python/bench/cpp_loop.cpp`); the results are checked to",
        "have the same bits. Target: within 10 % from 10^5 elements on. The incomplete",
        "gamma and beta ufuncs call the array versions of libvarnel-c, which run several",
        "elements at once, so for them the ratio is below 1: the speed-up over one call",
        "after another.",
        "",
        "| Function | Elements | ufunc (ns) | C++ loop (ns) | ufunc / C++ |",
        "|---|---:|---:|---:|---:|",
    ]
    for label, n, py, cpp in cpp_rows:
        lines.append(f"| {label} | {n:,} | {py:.1f} | {cpp:.1f} | {py / cpp:.3f} |")
    lines += [
        "",
        "## Against numpy.vectorize of Python's math module",
        "",
        "What a user without this package writes: `np.vectorize(math.erf)` and so on,",
        "over float64 arguments in [0.1, 20], one thread, CPU time per element.",
        "",
        "| Function | vectorized | varnel (ns) | vectorized (ns) | speed-up |",
        "|---|---|---:|---:|---:|",
    ]
    for name, py, ours, vec in vec_rows:
        lines.append(f"| `{name}` | `{py}` | {ours:.1f} | {vec:.1f} | {vec / ours:.0f}x |")
    lines += [
        "",
        "## Thread scaling",
        "",
        "Wall-clock time of the whole call for float64 arguments (shape parameters in",
        "[0.5, 50]), best of 25 turns each; the speed-up is the ratio of the best",
        "times, beside the median of the ratios within a turn. Other sessions compete for the same two",
        "cores, and the kernel shares the cores between sessions rather than threads",
        "(autogroup): while another session is busy a second thread adds no CPU time,",
        "so the figure needs a moment when both cores are free. On a shared machine",
        "give the benchmark's session more weight for the run (as root:",
        "`setsid bash -c 'echo -10 > /proc/self/autogroup; exec <command>'`).",
        "Target on this two-core machine: at least 1.8x with two threads.",
        "",
        "The CPU time of the whole process is given beside it: equal CPU times",
        "mean that sharing the loop costs no extra work, whatever the wall clock",
        "could show.",
        "",
        "| Function | Elements | 1 thread (ms) | 2 threads (ms) | speed-up | median of turns | CPU, 1 thread (ms) | CPU, 2 threads (ms) |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for name, n, t1, t2, speedup, med, c1, c2 in scale_rows:
        lines.append(f"| `{name}` | {n:,} | {t1:.1f} | {t2:.1f} | {speedup:.2f}x | {med:.2f}x | "
                     f"{c1:.1f} | {c2:.1f} |")
    lines += [
        "",
        "## Dask overhead per chunk",
        "",
        f"`varnel.gammaincc(a, x).sum()` over {dask_n:,} points (`da.linspace` arguments",
        f"made in the tasks), cut into {few} and into {many} chunks; one varnel thread",
        "per process; wall-clock time, best of 5.",
        "The difference per added chunk is the overhead of a chunk: its four tasks",
        "(two arguments, the ufunc, the partial sum) and on the cluster the messages",
        "between the client, the scheduler and the worker processes.",
        "",
        f"| Scheduler | {few} chunks (ms) | {many} chunks (ms) | overhead per chunk (ms) |",
        "|---|---:|---:|---:|",
    ]
    for label, t_few, t_many, per_chunk in dask_rows:
        lines.append(f"| {label} | {t_few * 1e3:.1f} | {t_many * 1e3:.1f} | {per_chunk * 1e3:.2f} |")
    lines.append("")
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
