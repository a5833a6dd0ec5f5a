"""The distributions' section of perf_report.py, from made-up runs: the
rows it flags as not faster than a peer's default, what it says of a peer
without a function, the failures it reports, which benchmarks its filter
selects, and that rewriting one section leaves the rest of the page alone.
"""

import re

import pytest

import perf_report as pr


def run(overrides=None, drop=()):
    """Results of a made-up run: every distribution row with ours at 100 ns,
    Boost's default at 1000, no promotion at 50 and GSL at 200 (none for the
    discrete quantiles), then the overrides {(quantity, source): ns}."""
    overrides = overrides or {}
    results = []
    for quantity, (family, op) in pr.DISTRIBUTIONS.items():
        for source, ns in (("varnel", 100), ("boost_default", 1000), ("boost", 50), ("gsl", 200)):
            if source == "gsl" and family in pr.DISCRETE_FAMILIES and op in ("quantile", "isf"):
                continue
            if (quantity, source) in drop:
                continue
            row = "%s:%s-%s" % (quantity, family, "p" if op in ("quantile", "isf") else "x")
            results.append(pr.Result(row, quantity, row.split(":")[1], source, source + "_fn",
                                     overrides.get((quantity, source), ns)))
    return results


def table_row(lines, family, op):
    for line in lines:
        cells = [c.strip() for c in line.strip("|").split("|")]
        if cells[:2] == [family, op]:
            return cells
    raise AssertionError("no row %s %s" % (family, op))


def summary(lines):
    return next(line for line in lines if line.startswith("Ours are faster"))


# overrides, the row, its ratio cells (Boost default, GSL), what the summary must say, why
RATIOS = [
    ({}, ("normal", "cdf"), ["0.10", "0.50"], "on 102 of 102 comparisons", "faster everywhere"),
    ({("norm_cdf", "gsl"): 80}, ("normal", "cdf"), ["0.10", "**1.25**"], "normal cdf (1.25× GSL)",
     "slower than GSL"),
    ({("t_isf", "boost_default"): 100}, ("Student t", "isf"), ["**1.00**", "0.50"],
     "Student t isf (1.00× Boost default)", "a tie is not faster"),
    ({("beta_pdf", "boost"): 10}, ("beta", "pdf"), ["0.10", "0.50"], "on 102 of 102",
     "Boost without promotion is shown, not a default"),
]


@pytest.mark.parametrize("overrides, row, ratios, said, why", RATIOS, ids=[r[-1] for r in RATIOS])
def test_ratios_to_the_defaults(overrides, row, ratios, said, why):
    lines = pr.distribution_section(run(overrides), [], {}, {})
    assert table_row(lines, *row)[6:8] == ratios, why
    assert said in summary(lines), why


# family, operation, the GSL cell, why
GSL_CELLS = [
    ("Poisson", "quantile", "none", "GSL has no discrete quantiles"),
    ("negative binomial", "isf", "none", "nor inverse survival functions"),
    ("gamma", "quantile", "200", "but has the continuous ones"),
]


@pytest.mark.parametrize("family, op, cell, why", GSL_CELLS, ids=[c[-1] for c in GSL_CELLS])
def test_peer_without_the_function(family, op, cell, why):
    cells = table_row(pr.distribution_section(run(), [], {}, {}), family, op)
    assert cells[5] == cell, why
    if cell == "none":
        assert cells[7] == "", "no ratio to a function that does not exist"


def test_every_row_listed_in_family_order():
    lines = pr.distribution_section(run(), [], {}, {})
    rows = [tuple(c.strip() for c in line.strip("|").split("|")[:2]) for line in lines
            if line.startswith("| ") and line.count("|") == 10 and not line.startswith("| Family")]
    assert rows == [(name, op) for _, name in pr.DISTRIBUTION_FAMILIES for op in pr.DISTRIBUTION_OPERATIONS]


def test_missing_function_of_ours_stops_the_report():
    with pytest.raises(SystemExit, match="binom_sf"):
        pr.distribution_section(run(drop=[("binom_sf", "varnel")]), [], {}, {})


# context, the failures text, why
FAILURES = [
    ({}, "", "nothing counted"),
    ({"nan:R/gsl:f": "0 of 1024 (0 exceptions)", "far:R/gsl:f": "0"}, "", "counted, none failed"),
    ({"nan:R/gsl:f": "58 of 1024 (0 exceptions)"}, "58 NaN", "NaN without exceptions"),
    ({"nan:R/gsl:f": "40 of 1024 (40 exceptions)", "far:R/gsl:f": "5"}, "40 NaN (40 thrown), 5 far",
     "thrown and far"),
    ({"far:R/gsl:f": "167"}, "167 far", "far alone"),
    ({"nan:R/boost:f": "3 of 1024 (3 exceptions)"}, "", "another source's counts"),
]


@pytest.mark.parametrize("ctx, text, why", FAILURES, ids=[f[-1] for f in FAILURES])
def test_failures(ctx, text, why):
    assert pr.failures(ctx, "R", "gsl", "f") == text, why


def test_failures_reach_the_table():
    results = run()
    row = next(r.row for r in results if r.quantity == "beta_quantile")
    ctx = {"nan:%s/boost_default:boost_default_fn" % row: "40 of 1024 (40 exceptions)",
           "far:%s/gsl:gsl_fn" % row: "3", "far:%s/varnel:varnel_fn" % row: "2",
           "distribution_arguments_per_row": "1024"}
    lines = pr.distribution_section(results, [], {}, ctx)
    assert table_row(lines, "beta", "quantile")[8] == "Ours: 2 far; Boost default: 40 NaN (40 thrown); GSL: 3 far"
    assert "where those two agree with each other on: beta quantile (2 far) (arguments of 1024)" in "\n".join(lines)
    assert table_row(lines, "beta", "isf")[8] == "", "counts of another row"


# benchmark name, selected by the distributions' filter, why
NAMES = [
    ("norm_pdf:norm-x/varnel:d_norm_pdf", True, "a distribution row"),
    ("nbinom_isf:nbinom-p/boost:quantile(complement(negative_binomial))", True, "the last one"),
    ("t_cdf:t-x/gsl:gsl_cdf_tdist_P", True, "a one-letter family"),
    ("gamma:0-170/varnel:d_gamma", False, "the gamma function, not the family"),
    ("P_inv:igaminv/varnel:d_igamma_inv", False, "an inverse"),
    ("ibeta:ibeta/boost:ibeta", False, "a forward function"),
    ("beta_inv:x/varnel:f", False, "no such operation"),
]


@pytest.mark.parametrize("name, selected, why", NAMES, ids=[n[-1] for n in NAMES])
def test_filter(name, selected, why):
    assert bool(re.search(pr.SECTIONS["distributions"][1], name)) == selected, why


PAGE = ("# Performance\n\nintro\n\n<!-- inverses -->\n## Inverse functions\nold\n<!-- /inverses -->\n\n"
        "## Cost against the parameter\ncurves\n")

# page, the section, where the new block must land, why
REWRITES = [
    (PAGE, "inverses", PAGE.replace("## Inverse functions\nold\n", "NEW\n"), "replaced in place"),
    (PAGE, "distributions",
     PAGE.replace("\n## Cost", "\n<!-- distributions -->\nNEW\n<!-- /distributions -->\n\n## Cost"),
     "inserted before the curves, after the inverses"),
    ("# Performance\n", "distributions", "# Performance\n\n<!-- distributions -->\nNEW\n<!-- /distributions -->\n",
     "appended to a page without curves"),
]


@pytest.mark.parametrize("page, name, want, why", REWRITES, ids=[r[-1] for r in REWRITES])
def test_rewrite_one_section(page, name, want, why):
    block = "<!-- %s -->\nNEW\n<!-- /%s -->" % (name, name)
    assert pr.replace_section(page, name, block) == want, why


# run line, saved load averages, what the note must say (None: no note), why
NOTES = [
    (True, ["7.50", "5.15"], "load average 7.50 at the start of the run and 5.15 at its end, on 2 logical CPUs",
     "a section run alone says how loaded the machine was"),
    (True, None, "the fastest of 9 randomly interleaved repetitions", "an older run without load figures"),
    (False, ["7.50", "5.15"], None, "in a full page the header describes the run"),
]


@pytest.mark.parametrize("run_line, load, said, why", NOTES, ids=[n[-1] for n in NOTES])
def test_section_run_note(run_line, load, said, why):
    data = {"context": {"date": "D", "num_cpus": 2, "distribution_arguments_per_row": "1024"},
            "_command": "C", "_repetitions": 9, "benchmarks": []}
    if load:
        data["_load"] = load
    block = pr.section_block("distributions", run(), {}, data, run_line=run_line).split("\n")
    assert block[0] == "<!-- distributions -->" and block[-1] == "<!-- /distributions -->", why
    note = block[3] if run_line else ""
    assert note.startswith("This section comes from the run of D: `C`") == run_line, why
    if said:
        assert said in note, why
    if run_line and not load:
        assert "load average" not in note, why
