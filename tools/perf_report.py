#!/usr/bin/python3
"""Runs the benchmark suite and writes the performance report.

Configures and builds build-bench (benchmarks on, tests off) where needed,
checks that the floor tapes cover every mathematics-library function the
library imports, runs bench/varnel_bench once with randomly interleaved
repetitions, takes the fastest repetition (CPU time per call) of every
benchmark, and writes

  OUT/performance.md          time per call of every implementation on every
                              row, ratios to the fastest, our time against the
                              floor and the layer-free build, the targets, the
                              cost of the C interface, the inverses and the
                              distributions against Boost.Math and GSL
  OUT/performance-igamma.png  cost against the parameter: incomplete gamma
  OUT/performance-ibeta.png   the same for the incomplete betas

  /usr/bin/python3 tools/perf_report.py                  full run (docs/, ~6 min, ~5 more for the distributions)
  /usr/bin/python3 tools/perf_report.py --quick          short run into build-bench/perf-quick (CI)
  /usr/bin/python3 tools/perf_report.py --from-json F    report from a saved run
  /usr/bin/python3 tools/perf_report.py --inverses-only  the inverses' rows alone, into their
                                                         section of docs/performance.md
  /usr/bin/python3 tools/perf_report.py --distributions-only   the same for the distributions

No timing is asserted: the short run only checks that the suite builds, the
layer-free build gives the same bits, every benchmark runs and the report is
written. Needs python3-matplotlib (Debian).
"""

import argparse
import collections
import datetime
import json
import os
import re
import shlex
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Quantities as the report names them; the keys are the benchmark's.
QUANTITIES = {
    "erf": "erf", "erfc": "erfc", "erfcx": "exp(x²)·erfc(x)",
    "erff": "erf, float", "erfcf": "erfc, float", "erfcxf": "exp(x²)·erfc(x), float",
    "gamma": "Γ", "gammaf": "Γ, float", "lgamma": "ln Γ", "lgammaf": "ln Γ, float",
    "cgamma": "complex Γ", "clngamma": "complex log Γ", "cstirf": "complex Γ by Stirling",
    "P": "P(a, x)", "Q": "Q(a, x)", "ibeta": "I_x(a, b)",
}
# The inverses of libvarnel-stats, in their own section.
INVERSES = {
    "erf_inv": "erf⁻¹(p)", "erfc_inv": "erfc⁻¹(q)", "P_inv": "P⁻¹(a, p)", "Q_inv": "Q⁻¹(a, q)",
    "ibeta_inv": "I⁻¹(a, b, p)", "ibetac_inv": "(1 − I)⁻¹(a, b, q)",
}
INVERSE_PEERS = ("boost_default", "boost", "gsl")
# The distributions of libvarnel-stats, in their own section: quantity
# FAMILY_OPERATION.
DISTRIBUTION_FAMILIES = (("norm", "normal"), ("chisq", "chi-square"), ("gamma", "gamma"), ("beta", "beta"),
                         ("t", "Student t"), ("f", "F"), ("poisson", "Poisson"), ("binom", "binomial"),
                         ("nbinom", "negative binomial"))
DISTRIBUTION_OPERATIONS = ("pdf", "logpdf", "cdf", "sf", "quantile", "isf")
DISCRETE_FAMILIES = ("poisson", "binom", "nbinom")
DISTRIBUTIONS = {"%s_%s" % (f, op): (f, op) for f, _ in DISTRIBUTION_FAMILIES for op in DISTRIBUTION_OPERATIONS}
# The peers whose defaults ours should beat, and the setting shown beside them.
DISTRIBUTION_DEFAULTS = ("boost_default", "gsl")
PEERS = ("glibc", "boost", "gsl")
PEER_NAMES = {"glibc": "glibc", "boost": "Boost", "gsl": "GSL"}
# Within this factor of glibc's time on these quantities; strictly faster on
# the gamma functions; strictly faster than Boost.Math and GSL everywhere.
GLIBC_WITHIN = {"erf": 1.25, "erfc": 1.25, "erff": 1.25, "erfcf": 1.25, "lgamma": 1.25, "lgammaf": 1.25,
                "gamma": 1.0, "gammaf": 1.0}
LAYER_LIMIT = 0.03

Result = collections.namedtuple("Result", "row quantity set source function ns")


def run(cmd, **kw):
    print("+", " ".join(shlex.quote(c) for c in cmd), flush=True)
    return subprocess.run(cmd, check=True, **kw)


def build(build_dir):
    cache = os.path.join(build_dir, "CMakeCache.txt")
    wanted = ["-DVARNEL_BUILD_BENCH=ON", "-DVARNEL_BUILD_TESTS=OFF", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"]
    text = open(cache).read() if os.path.exists(cache) else ""
    if not all(re.search(r"^%s:\w+=%s$" % tuple(w[2:].split("=")), text, re.M) for w in wanted):
        run(["cmake", "-S", ROOT, "-B", build_dir] + wanted, stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build_dir, "-j2", "--target", "varnel_bench"], stdout=subprocess.DEVNULL)


def floor_coverage(build_dir):
    """The mathematics-library functions the library imports; fails if the
    recorder cannot record one of them (its floors would miss calls)."""
    lib = os.path.join(build_dir, "libvarnel.so.0")
    ldd = subprocess.run(["ldd", lib], check=True, capture_output=True, text=True).stdout
    libm = re.search(r"libm\.so\.6 => (\S+)", ldd).group(1)

    def symbols(*args):
        out = subprocess.run(["nm", "-D"] + list(args), check=True, capture_output=True, text=True).stdout
        return {line.split()[-1].split("@")[0] for line in out.splitlines() if line.strip()}

    # The floating-point environment functions (feholdexcept, fesetenv) hold
    # the exceptions of NaN arguments only, which no row has: not part of a
    # floor.
    imported = {name for name in symbols("--undefined-only", lib) & symbols("--defined-only", libm)
                if not name.startswith("fe")}
    hooks = subprocess.run([os.path.join(build_dir, "bench", "varnel_tape_recorder"), "--hooks"], check=True,
                           capture_output=True, text=True).stdout.split()
    missing = sorted(imported - set(hooks))
    if missing:
        sys.exit("the floor recorder has no stand-in for %s, which the library calls: add it to bench/tape.h"
                 % ", ".join(missing))
    return sorted(imported)


def load_average():
    """The one-minute load average, as the kernel reports it."""
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


def run_suite(build_dir, json_path, repetitions, min_time, bench_filter):
    cmd = [os.path.join(build_dir, "bench", "varnel_bench"),
           "--benchmark_out=" + json_path, "--benchmark_out_format=json",
           "--benchmark_repetitions=%d" % repetitions, "--benchmark_enable_random_interleaving=true",
           "--benchmark_min_time=%g" % min_time, "--benchmark_display_aggregates_only=true"]
    if bench_filter:
        cmd.append("--benchmark_filter=" + bench_filter)
    log = json_path + ".log"
    with open(log, "w") as out:
        run(cmd, stdout=out)
    return " ".join(cmd[1:])


def resolution(data):
    """How far apart the two fastest repetitions of a benchmark are: median
    and 90th percentile over the benchmarks, in per cent (None for one
    repetition)."""
    times = collections.defaultdict(list)
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration" and not b.get("error_occurred"):
            times[b["run_name"]].append(b["cpu_time"])
    gaps = sorted(100 * (t[1] / t[0] - 1) for t in (sorted(v) for v in times.values()) if len(t) > 1)
    if not gaps:
        return None
    return gaps[len(gaps) // 2], gaps[min(len(gaps) - 1, int(0.9 * len(gaps)))]


def fastest(data):
    """Fastest repetition of every benchmark, CPU ns per call."""
    best, errors = {}, []
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            errors.append("%s: %s" % (b["name"], b.get("error_message")))
            continue
        if b.get("run_type") != "iteration":
            continue
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        name = b["run_name"]
        best[name] = min(best.get(name, float("inf")), b["cpu_time"] * scale)
    if errors:
        sys.exit("benchmarks that failed:\n  " + "\n  ".join(errors))
    results = []
    for name, ns in best.items():
        row, impl = name.split("/", 1)
        quantity, set_id = row.split(":", 1)
        source, function = impl.split(":", 1)
        results.append(Result(row, quantity, set_id, source, function, ns))
    return results


def fmt_ns(ns):
    return "%.3g" % ns if ns < 100 else "%.0f" % ns


def fmt_calls(calls):
    if not calls:
        return "none"
    return ", ".join("%.3g %s" % (n, f) for f, n in sorted(calls.items(), key=lambda kv: -kv[1]))


# --------------------------------------------------------------------------
# The main rows.

def row_table(results, order):
    """{row: {"ours": {function: {source: ns}}, "peers": {source: (function, ns)}}}, in the
    suite's order."""
    rank = {row: k for k, row in enumerate(order)}
    rows = collections.OrderedDict()
    for r in sorted(results, key=lambda r: (rank.get(r.row, len(rank)), r.row)):
        if "@" in r.set or r.quantity in INVERSES or r.quantity in DISTRIBUTIONS:
            continue
        entry = rows.setdefault(r.row, {"quantity": r.quantity, "set": r.set, "ours": {}, "peers": {}})
        if r.source in ("varnel", "bare", "c", "floor", "c_loop", "c_array", "loops_scalar",
                        "loops_lanes"):
            entry["ours"].setdefault(r.function, {})[r.source] = r.ns
        else:
            entry["peers"][r.source] = (r.function, r.ns)
    return rows


def assess(quantity, ours, peers):
    """Targets of one function of ours on one row: (verdict, notes, misses),
    misses listing each missed target with whether it is out of reach by
    design: the layer-free build, the prescribed operations alone, misses it
    too."""
    ns, bare, floor = ours.get("varnel"), ours.get("bare"), ours.get("floor")
    failed, notes = [], []
    for source, (function, peer_ns) in peers.items():
        factor = GLIBC_WITHIN.get(quantity, 1.0) if source == "glibc" else 1.0
        name = "%s `%s` (%s ns)" % (PEER_NAMES[source], function, fmt_ns(peer_ns))

        def meets(t):
            return t <= factor * peer_ns if factor > 1 else t < peer_ns

        floor_note = ("the elementary calls alone (%s ns) take longer than %s" % (fmt_ns(floor), name)
                      if floor is not None and floor > peer_ns else "")
        if meets(ns):
            if floor_note:
                notes.append(floor_note)
            continue
        goal = ("within %.2f× of %s" % (factor, name)) if factor > 1 else ("faster than %s" % name)
        by_design = bare is not None and not meets(bare)
        failed.append((goal, by_design))
        if by_design:
            reason = "out of reach by design: the prescribed operations alone take %s ns" % fmt_ns(bare)
        else:
            reason = "missed, though the layer-free build meets it (%s ns)" % fmt_ns(bare)
        notes.append("%s: %s" % (goal, reason) + ("; " + floor_note if floor_note else ""))
    if bare is not None and ns / bare - 1 >= LAYER_LIMIT:
        failed.append(("layers", False))
        notes.append("layers cost %.1f %%, over 3 %%" % (100 * (ns / bare - 1)))
    return ("met" if not failed else "**not met**"), notes, failed


def main_section(rows, sets, calls):
    out = ["## Time per call", "",
           "Nanoseconds per call (fastest repetition), and in brackets the ratio to the fastest "
           "implementation of the row. An empty cell: that library has no function for the quantity.", "",
           "| Quantity | Arguments | Ours | Ours (ns) | glibc | Boost.Math | GSL |", "|---|---|---|---|---|---|---|"]
    for row, e in rows.items():
        times = [o["varnel"] for o in e["ours"].values() if "varnel" in o] + [ns for _, ns in e["peers"].values()]
        best = min(times)

        def cell(ns, function=None):
            text = "%s (%.2f)" % (fmt_ns(ns), ns / best)
            return ("%s: %s" % (function, text)) if function else text

        for k, (function, o) in enumerate(e["ours"].items()):
            peer_cells = [cell(e["peers"][s][1], e["peers"][s][0]) if s in e["peers"] and k == 0 else ""
                          for s in PEERS]
            out.append("| %s | %s | `%s` | %s | %s |" % (
                QUANTITIES[e["quantity"]] if k == 0 else "", sets.get(e["set"], e["set"]) if k == 0 else "",
                function, cell(o["varnel"]), " | ".join(peer_cells)))
    out += ["", "## Against the floor and the layer-free build", "",
            "*Floor*: the C mathematics library calls our function makes for these arguments, replayed alone. "
            "*Bare*: the same sources built without the library's layers (errno preservation, step caps), "
            "which is the floor plus the prescribed arithmetic; *layers* is our time over it. "
            "Targets: faster than Boost.Math and GSL wherever they compute the quantity, faster than glibc "
            "on Γ, within 1.25 times glibc on the error functions and ln Γ, layers under 3 %.", "",
            "| Quantity | Arguments | Ours | ns | Bare (ns) | Layers | Floor (ns) | Ours / floor | "
            "Elementary calls per call | Targets | Notes |", "|---|---|---|---|---|---|---|---|---|---|---|"]
    summary_at = len(out) - 2
    tally = collections.Counter()
    for row, e in rows.items():
        for function, o in e["ours"].items():
            ns, bare, floor = o.get("varnel"), o.get("bare"), o.get("floor")
            verdict, notes, misses = assess(e["quantity"], o, e["peers"])
            tally["rows"] += 1
            tally["met"] += not misses
            tally["by design"] += bool(misses) and all(by_design for _, by_design in misses)
            out.append("| %s | %s | `%s` | %s | %s | %s | %s | %s | %s | %s | %s |" % (
                QUANTITIES[e["quantity"]], sets.get(e["set"], e["set"]), function, fmt_ns(ns),
                fmt_ns(bare) if bare else "", "%+.1f %%" % (100 * (ns / bare - 1)) if bare else "",
                fmt_ns(floor) if floor else "", "%.2f" % (ns / floor) if floor else "",
                fmt_calls(calls.get("%s/%s" % (row, function))), verdict, "; ".join(notes)))
    out.insert(summary_at, "All targets met on %d of %d rows; %d more miss only targets that are out of "
                           "reach by design; %d miss a target the layer-free build meets, or the layer "
                           "budget." % (tally["met"], tally["rows"], tally["by design"],
                                        tally["rows"] - tally["met"] - tally["by design"]))
    out.insert(summary_at + 1, "")
    return out + c_section(rows, sets) + array_section(rows, sets)


def c_section(rows, sets):
    """Our functions through the C interface against the C++ calls of the same
    run: what the C layer costs per call."""
    out = ["", "## Through the C interface", "",
           "The same functions called by their C names (`varnel_<namespace>_<name>` in libvarnel-c), "
           "timed in the same run on the same arguments; each C function is a single jump into the "
           "C++ one, about a cycle, so its share is largest for the quickest calls. *C layer* is the "
           "time through the C name over the time through the C++ name; the budget is 3 %.", "",
           "| Quantity | Arguments | Function | C++ (ns) | C (ns) | C layer |", "|---|---|---|---|---|---|"]
    costs = []
    for row, e in rows.items():
        for function, o in e["ours"].items():
            if "c" not in o or "varnel" not in o:
                continue
            cost = o["c"] / o["varnel"] - 1
            costs.append(cost)
            out.append("| %s | %s | `%s` | %s | %s | %+.1f %%%s |" % (
                QUANTITIES[e["quantity"]], sets.get(e["set"], e["set"]), function, fmt_ns(o["varnel"]),
                fmt_ns(o["c"]), 100 * cost, " (over 3 %)" if cost >= LAYER_LIMIT else ""))
    if not costs:
        return []
    costs.sort()
    out.insert(5, "Over %d rows the C layer costs %+.1f %% in the median, from %+.1f %% to %+.1f %%; "
                  "%d rows over the budget." % (len(costs), 100 * costs[len(costs) // 2], 100 * costs[0],
                                                100 * costs[-1], sum(c >= LAYER_LIMIT for c in costs)))
    out.insert(6, "")
    return out


# The array versions: the functions whose loops run interleaved, and the
# speed-up they must reach over a loop of scalar calls on the same arrays.
ARRAY_TARGET = {"d_igamma": 2.5, "d_igamc": 2.5, "specfun::d_ibeta": 2.5, "cephes::d_ibeta": 2.5}
# An array version counts as slower than the scalar loop only beyond the
# resolution of the run.
ARRAY_NOT_SLOWER = 0.97


def array_section(rows, sets):
    """Every function's array version (varnel_<ns>_<name>_array) against a
    loop of scalar C calls over the same arrays, nanoseconds per element."""
    out = ["", "## Arrays", "",
           "Every C function has an array version, `varnel_<namespace>_<name>_array(n, arguments and "
           "their increments, y, incy)`. *Loop* is a loop of the scalar C function over the whole "
           "argument set into an array; *array* one call of the array version over the same set; "
           "both in nanoseconds per element, in the same run, and the suite checks before timing that "
           "both give the same bits on every argument. The incomplete gamma and beta functions run "
           "their series and continued fractions for several elements at once, one per lane of a "
           "vector register (four with AVX); the other functions' array versions loop over the scalar "
           "call. Targets: %s at least %gx the loop; every array version at least as fast as the loop "
           "(within %d %%)." % (", ".join("`%s`" % f for f in ARRAY_TARGET), max(ARRAY_TARGET.values()),
                                round(100 * (1 - ARRAY_NOT_SLOWER))), "",
           "What bounds them is measured in the second table.", "",
           "| Quantity | Arguments | Function | Loop (ns) | Array (ns) | Speed-up | Target |",
           "|---|---|---|---|---|---|---|"]
    found = False
    for row, e in rows.items():
        for function, o in e["ours"].items():
            if "c_loop" not in o or "c_array" not in o:
                continue
            found = True
            speedup = o["c_loop"] / o["c_array"]
            target = ARRAY_TARGET.get(function)
            if speedup < ARRAY_NOT_SLOWER:
                verdict = "**slower than the loop**"
            elif target and speedup < target:
                verdict = "**not met** (%gx)" % target
            else:
                verdict = "met" + (" (%gx)" % target if target else "")
            out.append("| %s | %s | `%s` | %s | %s | %.2fx | %s |" % (
                QUANTITIES[e["quantity"]], sets.get(e["set"], e["set"]), function, fmt_ns(o["c_loop"]),
                fmt_ns(o["c_array"]), speedup, verdict))
    if not found:
        return []
    return out + ceiling_section(rows, sets)


def ceiling_section(rows, sets):
    """The interleaved array versions against what the same lanes could reach
    with their refills for free (the loops_scalar and loops_lanes rows)."""
    lines = []
    for row, e in rows.items():
        for function, o in e["ours"].items():
            if not all(k in o for k in ("c_loop", "c_array", "loops_scalar", "loops_lanes")):
                continue
            other = o["c_loop"] - o["loops_scalar"]
            ceiling = other + o["loops_lanes"]
            target = ARRAY_TARGET.get(function, 1.0)
            lines.append("| %s | %s | `%s` | %s | %s | %s | %s | %s | %.2fx | %.2fx | %s |" % (
                QUANTITIES[e["quantity"]], sets.get(e["set"], e["set"]), function, fmt_ns(o["c_loop"]),
                fmt_ns(o["loops_scalar"]), fmt_ns(other), fmt_ns(o["loops_lanes"]), fmt_ns(ceiling),
                o["c_loop"] / ceiling, o["c_loop"] / o["c_array"],
                fmt_ns(o["c_loop"] / target - o["loops_lanes"])))
    if not lines:
        return []
    return ["", "### What bounds the interleaved versions", "",
            "A scalar call spends its time in its loop (the series or continued fraction, a chain of "
            "dependent divisions) and in everything else: the special cases, the prefactor with its "
            "calls of the C mathematics library and of log-gamma, the final products. *Loops alone*: the "
            "row's loops run to their ends one element after the other with the scalar steps, from the "
            "start states the library's plans give; *other*: the scalar loop minus that, the work of a "
            "call outside its loop. *Lanes*: the same loops in lanes (four with AVX), the elements sorted "
            "by their number of steps and each vector run for its longest loop's steps with no test of "
            "the lanes' ends, which is the lanes' full rate with nothing spent on refilling them; on this "
            "machine a division of four lanes costs what a scalar division does, so a series that waits "
            "on its divisions runs nearly four times as fast, while a fraction whose rescaling test lies "
            "on its dependency chain gains less. *Ceiling*: other plus lanes, what an array version "
            "that pays every element's other work as the scalar call does would take with free "
            "refills; the array versions compute the prefactors' log-gammas a vector at a time and "
            "can pass it by a little. What the array versions lose against it is the refill of a lane "
            "when its element ends: a branch that depends on the step's last division, mispredicted "
            "once an element, which throws away the other lanes' steps in flight. *Other work for the "
            "target*: what the work outside the loops would have to shrink to for the target speed-up "
            "even with free refills; it contains the C library's logarithms and exponentials that the "
            "results' bits depend on.", "",
            "| Quantity | Arguments | Function | Loop (ns) | Loops alone (ns) | Other (ns) | Lanes (ns) "
            "| Ceiling (ns) | Ceiling speed-up | Array speed-up | Other work for the target (ns) |",
            "|---|---|---|---|---|---|---|---|---|---|---|"] + lines


# --------------------------------------------------------------------------
# The inverses.

def failures(ctx, row, source, function):
    """What the run counted for one implementation on one row before timing:
    "N NaN (K thrown)" and, where the run compared with ours, "F far"; empty
    if nothing failed."""
    key = "%s/%s:%s" % (row, source, function)
    m = re.match(r"(\d+) of (\d+) \((\d+) exceptions\)", ctx.get("nan:" + key, ""))
    parts = []
    if m and m.group(1) != "0":
        nan, thrown = int(m.group(1)), int(m.group(3))
        parts.append("%d NaN%s" % (nan, " (%d thrown)" % thrown if thrown else ""))
    far = int(ctx.get("far:" + key, "0"))
    if far:
        parts.append("%d far" % far)
    return ", ".join(parts)


def inverse_section(results, order, sets, ctx):
    """Our inverses against Boost.Math (default policy and without promotion)
    and GSL, and their array versions against the scalar loop."""
    rank = {row: k for k, row in enumerate(order)}
    rows = collections.OrderedDict()
    for r in sorted(results, key=lambda r: (rank.get(r.row, len(rank)), r.row)):
        if r.quantity not in INVERSES:
            continue
        entry = rows.setdefault(r.row, {"quantity": r.quantity, "set": r.set, "impl": {}})
        entry["impl"][r.source] = (r.function, r.ns)
    if not rows:
        return []

    out = ["## Inverse functions", "",
           "The inverses of libvarnel-stats (`varnel::stats`, through their inline C++ names) against "
           "Boost.Math's `erf_inv`, `erfc_inv`, `gamma_p_inv`, `gamma_q_inv`, `ibeta_inv` and "
           "`ibetac_inv`, twice: with Boost's *default* policy, which computes a double result in long "
           "double and throws on errors, and with the suite's policy above (*no promotion*: "
           "`promote_double<false>`, errors ignored); and against GSL's `gsl_cdf_gamma_Pinv`, "
           "`gsl_cdf_gamma_Qinv` (scale 1), `gsl_cdf_beta_Pinv` and `gsl_cdf_beta_Qinv`. GSL has no "
           "inverse error function: its rows are its standard normal quantiles mapped, "
           "erf⁻¹(p) = `gsl_cdf_ugaussian_Pinv((p + 1)/2)`/√2 and erfc⁻¹(q) = "
           "`gsl_cdf_ugaussian_Qinv(q/2)`/√2, which lose relative accuracy where (p + 1)/2 rounds.", "",
           "Every implementation is timed over whole passes of the row's %s arguments (the inverses' "
           "calls cost from tens of nanoseconds to milliseconds by argument, so cycling for a fixed "
           "time would time each on a different part of the set); nanoseconds per call, fastest "
           "repetition, and in brackets the ratio to ours. A peer's call that throws (Boost's root "
           "finders throw evaluation errors whatever the policy says) is caught and gives NaN; calls "
           "that gave NaN are counted on the arguments before timing, and timed like the others. Ours "
           "return a number on every argument, the double at which the library's own forward "
           "function crosses the target (see [inverses-accuracy.md](inverses-accuracy.md))." %
           ctx.get("arguments_per_row", "?"), "",
           "| Quantity | Arguments | Ours (ns) | Boost, default policy | Boost, no promotion | GSL |",
           "|---|---|---|---|---|---|"]
    arrays = []
    for row, e in rows.items():
        impl = e["impl"]
        if "varnel" not in impl:
            continue
        function, ours = impl["varnel"]
        cells = []
        for source in INVERSE_PEERS:
            if source not in impl:
                cells.append("")
                continue
            peer_function, ns = impl[source]
            failed = failures(ctx, row, source, peer_function)
            cells.append("`%s`: %s (%.2f)%s" % (peer_function, fmt_ns(ns), ns / ours, "; " + failed if failed else ""))
        # Ours give a number on every argument, or the run stops before timing.
        out.append("| %s | %s | `%s`: %s | %s |" % (
            INVERSES[e["quantity"]], sets.get(e["set"], e["set"]), function, fmt_ns(ours), " | ".join(cells)))
        if "c_loop" in impl and "c_array" in impl:
            loop, array = impl["c_loop"][1], impl["c_array"][1]
            arrays.append("| %s | %s | `varnel_stats_%s_array` | %s | %s | %.2fx |" % (
                INVERSES[e["quantity"]], sets.get(e["set"], e["set"]), impl["c_array"][0], fmt_ns(loop),
                fmt_ns(array), loop / array))
    if arrays:
        out += ["", "### Arrays of inverses", "",
                "A loop of the scalar C function over the row's arguments into an array, against one "
                "call of its array version over the same arrays (nanoseconds per element; the suite "
                "checks before timing that both give the same bits). The parameters of the rows whose "
                "elements share one distribution are passed with increment 0, as a caller asking for "
                "one distribution's quantiles would; the array versions call the scalar inverse "
                "element after element.", "",
                "| Quantity | Arguments | Function | Loop (ns) | Array (ns) | Speed-up |",
                "|---|---|---|---|---|---|"] + arrays
    return out


# --------------------------------------------------------------------------
# The distributions.

def distribution_section(results, order, sets, ctx):
    """Every operation of every family: ours against Boost.Math (default policy
    and without promotion) and GSL, and our time over each peer's default."""
    table = collections.defaultdict(dict)
    for r in results:
        if r.quantity in DISTRIBUTIONS:
            table[r.quantity][r.source] = r
    if not table:
        return []
    missing = sorted(q for q in DISTRIBUTIONS if "varnel" not in table.get(q, {}))
    if missing:
        sys.exit("distribution rows without our function: " + ", ".join(missing))
    names = {f: n for f, n in DISTRIBUTION_FAMILIES}
    lines, slower, ours_apart, compared = [], [], [], 0
    for family, _ in DISTRIBUTION_FAMILIES:
        for op in DISTRIBUTION_OPERATIONS:
            row = table["%s_%s" % (family, op)]
            ours = row["varnel"]

            def ns_cell(source):
                if source in row:
                    return fmt_ns(row[source].ns)
                discrete_quantile = family in DISCRETE_FAMILIES and op in ("quantile", "isf")
                return "none" if source == "gsl" and discrete_quantile else ""

            ratios, notes = [], []
            for source in DISTRIBUTION_DEFAULTS:
                if source not in row:
                    ratios.append("")
                    continue
                ratio = ours.ns / row[source].ns
                compared += 1
                if ratio >= 1:
                    slower.append("%s %s (%.2f× %s)" % (names[family], op, ratio, DISTRIBUTION_PEER_NAMES[source]))
                ratios.append(("**%.2f**" if ratio >= 1 else "%.2f") % ratio)
            for source in ("varnel", "boost_default", "boost", "gsl"):
                if source in row:
                    failed = failures(ctx, row[source].row, source, row[source].function)
                    if failed:
                        notes.append("%s: %s" % (DISTRIBUTION_PEER_NAMES[source], failed))
                        if source == "varnel":
                            ours_apart.append("%s %s (%s)" % (names[family], op, failed))
            lines.append("| %s | %s | %s | %s | %s | %s | %s | %s | %s |" % (
                names[family], op, fmt_ns(ours.ns), ns_cell("boost_default"), ns_cell("boost"), ns_cell("gsl"),
                ratios[0], ratios[1], "; ".join(notes)))
    out = ["## Distributions", "",
           "The nine distributions of libvarnel-stats (`varnel::stats::d_<family>_<operation>`, through "
           "their inline C++ names) against Boost.Math's distribution objects (`normal`, `chi_squared`, "
           "`gamma_distribution`, `beta_distribution`, `students_t`, `fisher_f`, `poisson`, `binomial`, "
           "`negative_binomial`, with `pdf`, `cdf`, `cdf(complement(…))`, `quantile` and "
           "`quantile(complement(…))`), built in every call from the element's parameters as a caller "
           "with varying parameters builds them, twice: with Boost's *default* policy (double promoted to "
           "long double, errors thrown) and with *no promotion* as above; and against GSL's "
           "`gsl_ran_<family>_pdf` and `gsl_cdf_<family>_P`, `_Q`, `_Pinv` and `_Qinv` (the normal's at "
           "x − mu, their quantiles shifted by mu). Neither peer has a log density: their *logpdf* rows "
           "are the logarithm of their pdf, ours is formed directly, so that where the density "
           "underflows theirs is -inf or has lost digits (the far counts of those rows). GSL has no discrete quantiles "
           "(*none*). Boost rounds its discrete quantiles outwards from a real-valued quantile (its "
           "default, left in both settings), ours are the smallest count whose cdf reaches p (the "
           "largest tail count for isf), so Boost's quantile is one below ours below the median by "
           "design.", "",
           "Every family has two argument sets of %s arguments (below): for pdf, logpdf, cdf and sf, "
           "x at an approximate quantile of each element's distribution at a standard normal deviate "
           "z, half of them in the body (|z| < 3) and half in the tails, out to |z| = 38; for quantile "
           "and isf, probabilities half in the body and half in the tails, down to 1e-300 on either "
           "side. Every implementation is timed over whole passes of the row's arguments, as the "
           "inverses are; nanoseconds per call, fastest repetition. *Ours / peer*: our time over the "
           "peer's default, Boost's default policy and GSL, in bold where ours is not faster. "
           "*Failures*, counted on the arguments before timing: results that are NaN (thrown: "
           "Boost's exceptions, caught, which give NaN) and results *far* from ours, by more than a "
           "relative 1e-6 and beyond the subnormal range (a discrete quantile: by more than one). "
           "Where Boost and GSL both give a finite non-zero number (for logpdf, the log of a normal "
           "density), agree with each other and not with ours, the "
           "argument counts against ours (*Ours: N far*) and not against them; elsewhere a far "
           "count is a disagreement with ours, not by itself a verdict. Ours give a number on every "
           "argument, or the run stops." % ctx.get("distribution_arguments_per_row", "?"), ""]
    out.append("Ours are faster than every peer's default on %d of %d comparisons (%d rows). %s" % (
        compared - len(slower), compared, len(lines),
        ("Not faster: %s." % "; ".join(slower)) if slower else ""))
    if ours_apart:
        out += ["", "Ours disagree with Boost and GSL where those two agree with each other on: %s "
                    "(arguments of %s)." % ("; ".join(ours_apart), ctx.get("distribution_arguments_per_row", "?"))]
    out += ["", "| Family | Operation | Ours (ns) | Boost, default policy (ns) | Boost, no promotion (ns) | "
                "GSL (ns) | Ours / Boost default | Ours / GSL | Failures |",
            "|---|---|---|---|---|---|---|---|---|"] + lines
    out += ["", "The argument sets:", "", "| Family | x (pdf, logpdf, cdf, sf) | target (quantile, isf) |",
            "|---|---|---|"]
    for family, name in DISTRIBUTION_FAMILIES:
        out.append("| %s | %s | %s |" % (name, sets.get(family + "-x", "?"), sets.get(family + "-p", "?")))
    return out


DISTRIBUTION_PEER_NAMES = {"varnel": "Ours", "boost_default": "Boost default", "boost": "Boost no promotion", "gsl": "GSL"}


# --------------------------------------------------------------------------
# Sections that a run of their rows alone rewrites in an existing page,
# between their markers: the function making their lines, and the filter
# selecting their benchmarks.

SECTIONS = {
    "inverses": (inverse_section, "_inv:"),
    "distributions": (distribution_section,
                      "^(%s)_(%s):" % ("|".join(f for f, _ in DISTRIBUTION_FAMILIES),
                                       "|".join(DISTRIBUTION_OPERATIONS))),
}


def section_block(name, results, sets, data, run_line):
    """A section between its markers; with run_line, a paragraph naming the
    run it comes from (the page's header then describes another run)."""
    ctx = data["context"]
    lines = SECTIONS[name][0](results, ctx.get("rows", "").split(","), sets, ctx)
    if not lines:
        return ""
    if run_line:
        note = ("This section comes from the run of %s: `%s`, the fastest of %s "
                "randomly interleaved repetitions." % (ctx.get("date", "?"), data.get("_command", "?"),
                                                        data.get("_repetitions", "?")))
        spread = resolution(data)
        if spread:
            note += (" In that run the two fastest repetitions of a benchmark differ by %.1f %% (median; "
                     "90th percentile %.1f %%)." % spread)
        if "_load" in data:
            note += (" The machine was shared with other work throughout: load average %s at the start "
                     "of the run and %s at its end, on %s logical CPUs, so absolute times are high and "
                     "ratios within the run are what to read." % (data["_load"][0], data["_load"][1],
                                                                   ctx.get("num_cpus", "?")))
        lines[1:1] = ["", note]
    return "\n".join(["<!-- %s -->" % name] + lines + ["<!-- /%s -->" % name])


def replace_section(text, name, block):
    """The page with the section's block replaced, or inserted before the
    cost curves (or at the end)."""
    pattern = re.compile(r"<!-- %s -->\n.*?<!-- /%s -->" % (name, name), re.S)
    if pattern.search(text):
        return pattern.sub(lambda m: block, text)
    if "\n## Cost against the parameter" in text:
        return text.replace("\n## Cost against the parameter", "\n" + block + "\n\n## Cost against the parameter", 1)
    return text.rstrip("\n") + "\n\n" + block + "\n"


# --------------------------------------------------------------------------
# Cost against the parameter.

def sweep_curves(results):
    """{family: {where: {label: [(parameter, ns)]}}}"""
    curves = collections.defaultdict(lambda: collections.defaultdict(lambda: collections.defaultdict(list)))
    for r in results:
        if "@" not in r.set or r.source == "bare":
            continue
        family_where, parameter = r.set.split("@")
        family, where = family_where.split("-")
        source = {"varnel": "varnel", "c_loop": "varnel loop", "c_array": "varnel array"}
        label = "%s %s" % (source.get(r.source, PEER_NAMES.get(r.source, r.source)), r.function)
        curves[family][where][label].append((float(parameter), r.ns))
    for family in curves.values():
        for where in family.values():
            for points in where.values():
                points.sort()
    return curves


SWEEP_TEXT = {
    "gamma": ("igamma", "Incomplete gamma", "a", {"near": "x = a", "away": "x = a/2"}),
    "beta": ("ibeta", "Incomplete beta", "a = b", {"near": "x = 0.5", "away": "x = 0.25"}),
}


def plot_sweeps(curves, out_dir):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    files = {}
    for family in (f for f in SWEEP_TEXT if f in curves):
        by_where = curves[family]
        stem, title, parameter, where_text = SWEEP_TEXT[family]
        fig, axes = plt.subplots(1, 2, figsize=(12, 4.8), sharey=True)
        for ax, where in zip(axes, ("near", "away")):
            for label, points in sorted(by_where[where].items()):
                xs, ys = zip(*points)
                style = "-" if label.startswith("varnel") else "--"
                ax.loglog(xs, ys, style, marker="o", markersize=3, label=label)
            ax.set_title("%s, %s" % (title, where_text[where]))
            ax.set_xlabel(parameter)
            ax.grid(True, which="both", alpha=0.3)
        axes[0].set_ylabel("ns per call (fastest repetition)")
        axes[1].legend(fontsize=8)
        fig.tight_layout()
        name = "performance-%s.png" % stem
        fig.savefig(os.path.join(out_dir, name), dpi=100)
        plt.close(fig)
        files[family] = name
    return files


def sweep_section(curves, files):
    out = ["## Cost against the parameter", "",
           "The incomplete functions need more terms as their parameters grow. Each point is %s "
           "arguments with the parameter jittered by up to 1 %%; x at the mean, where the most terms "
           "are needed, and away from it. *varnel loop* and *varnel array*: a loop of the scalar C "
           "function and one call of its array version over the same arguments, per element; the "
           "lanes of the array version are refilled as soon as their element's loop ends, so here, "
           "where the number of terms varies most between neighbouring points, lanes wait least." %
           "{sweep_args}"]
    for family in (f for f in SWEEP_TEXT if f in curves):
        by_where = curves[family]
        stem, title, parameter, where_text = SWEEP_TEXT[family]
        out += ["", "### %s" % title, "", "![%s](%s)" % (title, files[family])]
        for where in ("near", "away"):
            labels = sorted(by_where[where], key=lambda l: (not l.startswith("varnel"), l))
            params = sorted({p for pts in by_where[where].values() for p, _ in pts})
            out += ["", "%s, %s, ns per call:" % (title, where_text[where]), "",
                    "| %s | %s |" % (parameter, " | ".join(labels)), "|---" * (1 + len(labels)) + "|"]
            for p in params:
                cells = [dict(by_where[where][label]).get(p) for label in labels]
                out.append("| %g | %s |" % (p, " | ".join(fmt_ns(c) if c is not None else "" for c in cells)))
    return out


# --------------------------------------------------------------------------
# The header.

def compile_flags(build_dir, source):
    """The compiler's options for one source file, without paths."""
    path = os.path.join(build_dir, "compile_commands.json")
    if not os.path.exists(path):
        return "?"
    for entry in json.load(open(path)):
        if entry["file"].endswith(source):
            words = shlex.split(entry.get("command", ""))[1:]
            keep, skip = [], False
            for w in words:
                if skip:
                    skip = False
                    continue
                if w in ("-o", "-c", "-MF", "-MT", "-isystem"):
                    skip = True
                    continue
                if w.startswith(("-I", "-o", "-MD", "/")) or w.endswith("_EXPORTS") or "/" in w:
                    continue
                keep.append(w)
            return " ".join(keep)
    return "?"


def header(data, build_dir, command, libm_calls, quick):
    ctx = data["context"]
    model = "?"
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    cache = open(os.path.join(build_dir, "CMakeCache.txt")).read()
    cxx = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.M).group(1)
    version = subprocess.run([cxx, "--version"], capture_output=True, text=True).stdout.splitlines()[0]
    lines = [
        "# Performance", "",
        "Generated by `%s` from one run of `build-bench/bench/varnel_bench`; do not edit by hand." % command, "",
        "| | |", "|---|---|",
        "| Date | %s |" % ctx.get("date", datetime.datetime.utcnow().isoformat()),
        "| CPU | %s, %d logical CPUs |" % (model, ctx.get("num_cpus", 0)),
        "| Compiler | %s |" % version,
        "| Library flags | `%s` |" % compile_flags(build_dir, "src/specfun/gamma.cpp"),
        "| Benchmark flags | `%s` |" % compile_flags(build_dir, "bench/bench_main.cpp"),
        "| glibc | %s |" % ctx.get("glibc_version", "?"),
        "| Boost.Math | %s, policy `%s` |" % (ctx.get("boost_version", "?").replace("_", "."),
                                              ctx.get("boost_policy", "?")),
        "| Boost.Math, inverses and distributions | also its default policy (double promoted to long double, "
        "errors thrown and caught) |",
        "| GSL | %s, error handler off |" % ctx.get("gsl_version", "?"),
        "| Run | `build-bench/bench/varnel_bench %s` |" % data["_run_arguments"].replace(ROOT + "/", ""),
        "| Layer-free build | %s |" % ctx.get("bare_check", "?"),
        "| C interface (libvarnel-c) | %s |" % ctx.get("c_check", "?"),
        "| Mathematics functions the library calls (all recorded for the floors) | %s |" % ", ".join(libm_calls),
        "",
        "Each row is one quantity over one argument set of %s pre-generated arguments (seed %s), "
        "cycled, every result kept live; every implementation sees the same array. Times are CPU "
        "nanoseconds per call, the fastest of %s randomly interleaved repetitions of every benchmark, "
        "so ratios within this one run are what to read: on a shared, noisy machine absolute times "
        "move between runs, the fastest of interleaved repetitions much less." %
        (ctx.get("arguments_per_row"), ctx.get("seed"), data["_repetitions"]),
    ]
    spread = resolution(data)
    if spread:
        lines[-1] += (" In this run the two fastest repetitions of a benchmark differ by %.1f %% "
                      "(median over the benchmarks; 90th percentile %.1f %%), a measure of how finely "
                      "two figures can be told apart." % spread)
    lines += ["", "### How the floor and the layer-free build are made", "",
              "*Floor.* The recorder (`bench/record_tape.cpp`, built beside the suite) evaluates our function on every argument of the row "
              "with stand-ins of its own for the C mathematics library's functions (exported by the "
              "recorder, so that the library's calls reach them first); each forwards to the real "
              "function and records the function and its arguments. Calls our library makes from inside "
              "its own functions are recorded too; calls a mathematics function makes internally are "
              "not. The benchmark replays, for each argument in turn, exactly the calls our function made "
              "for it, against the real library, through a function pointer. The replayed calls do not "
              "wait for each other's results as many of ours do, so the floor is a lower bound. "
              "Operations the compiler inlines (a square root instruction) are not calls and are not in "
              "the floor.", "",
              "*Bare.* The library's sources built a second time for the benchmark only, with the "
              "library's own compile and link options, `VARNEL_BARE_LAYERS=1` (which compiles out the "
              "errno preservation and the step caps) and its namespace renamed so that both builds run "
              "in the same process. Before timing, the suite checks that it gives the library's bits on "
              "every argument of every row. It is the floor plus the prescribed arithmetic, measured: "
              "where the library misses a target and the bare build misses it too, the prescribed "
              "operations alone cannot meet it.", "",
              "Google Benchmark prints that its own library (Debian's package) is a debug build; the "
              "timed loop is inlined into the benchmark, compiled with the flags above, and that "
              "library only starts and stops the clocks around it."]
    if quick:
        lines += ["", "**Short run** (one repetition, tiny minimum time): checks that the suite works; "
                      "its figures mean nothing."]
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--out", default=None, help="default: docs/, or build-bench/perf-quick with --quick")
    parser.add_argument("--quick", action="store_true", help="one repetition, tiny minimum time (CI)")
    parser.add_argument("--repetitions", type=int, default=9)
    parser.add_argument("--min-time", type=float, default=0.04, help="seconds per repetition of a benchmark")
    parser.add_argument("--filter", default="", help="benchmark name regex (partial report)")
    parser.add_argument("--from-json", default=None, help="write the report from a saved run")
    parser.add_argument("--inverses-only", action="store_true",
                        help="run only the inverses' rows (unless --filter says otherwise) and rewrite "
                             "only their section of an existing OUT/performance.md")
    parser.add_argument("--distributions-only", action="store_true",
                        help="the same for the distributions' rows and section")
    args = parser.parse_args()
    only = "inverses" if args.inverses_only else "distributions" if args.distributions_only else None
    build_dir = os.path.abspath(args.build_dir)
    if args.quick:
        args.repetitions, args.min_time = 1, 1e-4
    out_dir = args.out or (os.path.join(build_dir, "perf-quick") if args.quick else os.path.join(ROOT, "docs"))
    os.makedirs(out_dir, exist_ok=True)
    command = "/usr/bin/python3 tools/perf_report.py" + "".join(" " + shlex.quote(a) for a in sys.argv[1:])

    build(build_dir)
    libm_calls = floor_coverage(build_dir)
    if args.from_json:
        json_path = args.from_json
    else:
        json_path = os.path.join(build_dir, "perf-quick.json" if args.quick else
                                 "perf-%s.json" % only if only else "perf-results.json")
        bench_filter = args.filter or (SECTIONS[only][1] if only else "")
        load_before = load_average()
        run_arguments = run_suite(build_dir, json_path, args.repetitions, args.min_time, bench_filter)
        data = json.load(open(json_path))
        data["_run_arguments"] = run_arguments
        data["_repetitions"] = args.repetitions
        data["_command"] = command
        data["_load"] = [load_before, load_average()]
        json.dump(data, open(json_path, "w"))
    data = json.load(open(json_path))

    results = fastest(data)
    ctx = data["context"]
    sets = {k[4:]: v for k, v in ctx.items() if k.startswith("set:")}
    if only:
        path = os.path.join(out_dir, "performance.md")
        with open(path) as f:
            text = replace_section(f.read(), only, section_block(only, results, sets, data, run_line=True))
        with open(path, "w") as f:
            f.write(text)
        print("rewrote the %s section of %s" % (only, path))
        return
    calls_path = os.path.join(build_dir, "bench", "floor-calls.json")
    calls = json.load(open(calls_path)) if os.path.exists(calls_path) else {}
    curves = sweep_curves(results)
    files = plot_sweeps(curves, out_dir)

    lines = header(data, build_dir, data.get("_command", command), libm_calls, args.quick)
    lines += [""] + main_section(row_table(results, ctx.get("rows", "").split(",")), sets, calls)
    for name in SECTIONS:
        block = section_block(name, results, sets, data, run_line=False)
        if block:
            lines += ["", block]
    if curves:
        lines += [""] + [line.replace("{sweep_args}", ctx.get("arguments_per_sweep_point", "?"))
                         for line in sweep_section(curves, files)]
    with open(os.path.join(out_dir, "performance.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("wrote %s (%d benchmarks)" % (os.path.join(out_dir, "performance.md"), len(results)))


if __name__ == "__main__":
    main()
