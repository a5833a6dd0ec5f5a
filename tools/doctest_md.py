#!/usr/bin/env python3
"""Runs the examples of the documentation and compares what they print.

    tools/doctest_md.py --prefix PREFIX [--build BUILD] [FILE.md ...]

Every fenced block of README.md, CONTRIBUTING.md and docs/*.md (or of the files named) is
taken by its language, against the library installed in PREFIX:

  sh        run by bash -e in a scratch directory that links the repository's
            folders, with PREFIX/bin on PATH, PKG_CONFIG_PATH, LD_LIBRARY_PATH
            and PYTHONPATH at the installed prefix; "<prefix>" stands for it.
  console   each "$ command" (with its backslash continuation lines) is run the
            same way; the lines after it up to the next "$" are its output,
            compared line by line ("..." matches any number of lines; a last
            line "[exit status N]" is the expected status, otherwise 0).
            Standard error may interleave with standard output in any order,
            as it does on a terminal; paths under PREFIX are shown as /usr.
  python    ">>>" blocks run by doctest, the blocks of one file sharing one
            namespace; other blocks run as scripts.
  c, cpp, fortran
            a complete program is compiled against PREFIX and run;
            declarations are compiled after the library's header.
  r         R sessions: counted and skipped, the R package's own examples
            (r/man/*.Rd) run in R CMD check.
  text      shown text, not a command: counted as skipped.
  other     (cmake, make, no language): needs a marker, or the test fails.

A marker on the line before a block changes that:

  <!-- doc-test: skip (reason) -->   not run here, for the reason given
  <!-- doc-test: file NAME -->       the block is the file NAME in the page's
                                     scratch directory, for later blocks

Prints the counts and every skip reason; exits 1 naming FILE:LINE of each
block that failed.
"""

import argparse
import doctest
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

MARKER = re.compile(r"^<!--\s*doc-test:\s*(?:skip\s*\((?P<reason>.+)\)|file\s+(?P<file>\S+))\s*-->\s*$")
FENCE = re.compile(r"^(?P<indent> *)```(?P<lang>[\w+-]*)\s*$")
TIMEOUT = 120


class Block:
    def __init__(self, path, line, lang, text, marker):
        self.path, self.line, self.lang, self.text, self.marker = path, line, lang, text, marker

    def where(self, offset=0):
        return f"{self.path}:{self.line + offset}"


def blocks_of(path, shown):
    """The fenced blocks of a Markdown file; line is that of the opening fence."""
    lines = open(path, encoding="utf-8").read().splitlines()
    out, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        start, lang = i, m.group("lang")
        j = i + 1
        while j < len(lines) and lines[j].strip() != "```":
            j += 1
        marker, k = None, start - 1
        while k >= 0 and not lines[k].strip():
            k -= 1
        if k >= 0:
            mm = MARKER.match(lines[k].strip())
            if mm:
                marker = ("skip", mm.group("reason")) if mm.group("reason") else ("file", mm.group("file"))
        indent = len(m.group("indent"))
        body = [l[indent:] if l[:indent].strip() == "" else l for l in lines[start + 1:j]]
        out.append(Block(shown, start + 1, lang, "\n".join(body) + "\n", marker))
        i = j + 1
    return out


class Runner:
    def __init__(self, args):
        self.repo = os.path.abspath(args.repo)
        self.prefix = os.path.abspath(args.prefix)
        self.build = os.path.abspath(args.build) if args.build else None
        self.keep = args.keep
        self.run = self.compared = 0
        self.skipped = []   # (where, reason)
        self.failures = []  # (where, message)
        self.scratch_root = tempfile.mkdtemp(prefix="varnel-doctest-")
        lib = os.path.join(self.prefix, "lib64")
        py = os.path.join(self.prefix, "lib", "python3", "dist-packages")
        env = dict(os.environ)
        env["PATH"] = os.path.join(self.prefix, "bin") + os.pathsep + env.get("PATH", "")
        env["PKG_CONFIG_PATH"] = os.path.join(self.prefix, "share", "pkgconfig")
        env["LD_LIBRARY_PATH"] = lib + (os.pathsep + env["LD_LIBRARY_PATH"] if env.get("LD_LIBRARY_PATH") else "")
        env["PYTHONPATH"] = py
        env["LC_ALL"] = "C.UTF-8"
        self.env = env
        self.pythonpath = py

    # -- helpers -------------------------------------------------------------
    def scratch(self, page):
        d = os.path.join(self.scratch_root, re.sub(r"[^\w.-]", "_", page))
        if not os.path.isdir(d):
            os.makedirs(d)
            for name in os.listdir(self.repo):
                if name.startswith(".") or name.startswith("build") or name in ("_install", "dist"):
                    continue
                os.symlink(os.path.join(self.repo, name), os.path.join(d, name))
        return d

    def fail(self, where, message):
        self.failures.append((where, message))
        print(f"FAIL {where}\n" + "".join("    " + l + "\n" for l in message.rstrip("\n").splitlines()), end="")

    def sub(self, text):
        return text.replace("<prefix>", self.prefix)

    def shell(self, command, cwd):
        p = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", self.sub(command)], cwd=cwd, env=self.env,
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=TIMEOUT)
        norm = lambda s: s.replace(self.prefix, "/usr")
        return p.returncode, norm(p.stdout), norm(p.stderr)

    # -- kinds of blocks -----------------------------------------------------
    def do_sh(self, b, cwd):
        rc, out, err = self.shell(b.text, cwd)
        self.run += 1
        if rc != 0:
            self.fail(b.where(), f"exit status {rc}\n{out}{err}")

    def do_console(self, b, cwd):
        lines = b.text.splitlines()
        i = 0
        while i < len(lines):
            if not lines[i].startswith("$ "):
                self.fail(b.where(i + 1), f"expected a '$ ' command line, found: {lines[i]}")
                return
            at = i
            cmd = [lines[i][2:]]
            while cmd[-1].endswith("\\") and i + 1 < len(lines):
                i += 1
                cmd.append(lines[i])
            i += 1
            want = []
            while i < len(lines) and not lines[i].startswith("$ "):
                want.append(lines[i])
                i += 1
            status = 0
            if want and re.fullmatch(r"\[exit status (\d+)\]", want[-1]):
                status = int(want.pop()[13:-1])
            rc, out, err = self.shell("\n".join(cmd), cwd)
            self.run += 1
            where = b.where(at + 1)
            if rc != status:
                self.fail(where, f"{cmd[0]}\nexit status {rc}, shown {status}\n{out}{err}")
                continue
            if not want:
                continue
            self.compared += 1
            if not interleaves(want, out.splitlines(), err.splitlines()):
                self.fail(where, f"{cmd[0]}\n--- shown\n" + "\n".join(want) + "\n--- printed\n" + out + err)

    def do_python_script(self, b, cwd):
        p = subprocess.run([sys.executable, "-c", b.text], cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, timeout=TIMEOUT)
        self.run += 1
        if p.returncode != 0:
            self.fail(b.where(), f"exit status {p.returncode}\n{p.stdout}{p.stderr}")

    def do_doctest(self, blocks, cwd):
        """The >>> blocks of one page, in one namespace, as python3 -m doctest runs them."""
        if self.pythonpath not in sys.path:
            sys.path.insert(0, self.pythonpath)
        globs = {"__name__": "__main__"}
        try:
            import numpy
            if int(numpy.__version__.split(".")[0]) >= 2:
                numpy.set_printoptions(legacy="1.25")  # the reprs the pages show
        except ImportError:
            pass
        parser = doctest.DocTestParser()
        # Warnings as the interactive interpreter prints them, among the output.
        def show(message, category, filename, lineno, file=None, line=None):
            sys.stdout.write(f"<stdin>:1: {category.__name__}: {message}\n")
        old_cwd, old_show = os.getcwd(), warnings.showwarning
        os.chdir(cwd)
        warnings.showwarning = show
        try:
            for b in blocks:
                test = parser.get_doctest(b.text, globs, b.where(), b.path, b.line)
                runner = LineRunner(optionflags=doctest.ELLIPSIS, verbose=False)
                report = []
                with warnings.catch_warnings():
                    warnings.simplefilter("default")
                    warnings.showwarning = show
                    runner.run(test, out=report.append, clear_globs=False)
                globs = test.globs
                self.run += 1
                self.compared += sum(1 for e in test.examples if e.want)
                if runner.failures:
                    self.fail(b.where(1 + runner.failed_lines[0]), "".join(report))
        finally:
            os.chdir(old_cwd)
            warnings.showwarning = old_show

    def do_compiled(self, b, cwd):
        inc = os.path.join(self.prefix, "include")
        lib = os.path.join(self.prefix, "lib64")
        complete = re.search(r"\bint\s+main\s*\(", b.text) or re.search(r"(?im)^\s*program\s+\w+", b.text)
        src = os.path.join(cwd, f"block{b.line}")
        if b.lang == "cpp":
            src += ".cpp"
            text = b.text if complete else "#include <varnel/varnel.hpp>\n" + cpp_declarations(b.text)
            cc = ["c++", "-std=c++17", "-Wall", "-Werror"]
            libs = ["-lvarnel"]
        elif b.lang == "c":
            src += ".c"
            text = b.text if complete else "#include <varnel/varnel.h>\n" + b.text
            cc = ["cc", "-std=c99", "-Wall", "-Werror"]
            libs = ["-lvarnel-c"]
        else:
            src += ".f90"
            text = b.text
            module = os.path.join(self.prefix, "include", "varnel", "varnel.f90")
            found = glob.glob(os.path.join(self.prefix, "**", "varnel.f90"), recursive=True)
            cc = ["gfortran", "-ffp-contract=off", "-J", cwd] + (found[:1] if found else [module])
            libs = ["-lvarnel-c"]
            complete = True
        open(src, "w").write(text)
        if complete:
            command = cc + ["-I" + inc, src, "-L" + lib, "-Wl,-rpath," + lib] + libs + ["-o", src + ".out"]
        else:
            command = cc + ["-I" + inc, "-fsyntax-only", src]
        p = subprocess.run(command, cwd=cwd, env=self.env, capture_output=True, text=True, timeout=TIMEOUT)
        self.run += 1
        if p.returncode != 0:
            self.fail(b.where(), " ".join(command) + "\n" + p.stdout + p.stderr)
            return
        if complete:
            p = subprocess.run([src + ".out"], cwd=cwd, env=self.env, capture_output=True, text=True, timeout=TIMEOUT)
            if p.returncode != 0:
                self.fail(b.where(), f"the program exits with status {p.returncode}\n{p.stdout}{p.stderr}")

    # -- a page ----------------------------------------------------------------
    def page(self, path, shown):
        cwd = self.scratch(shown)
        pending_doctests = []
        for b in blocks_of(path, shown):
            try:
                if b.marker and b.marker[0] == "skip":
                    self.skipped.append((b.where(), b.marker[1]))
                elif b.marker and b.marker[0] == "file":
                    open(os.path.join(cwd, b.marker[1]), "w").write(b.text)
                    self.run += 1
                elif b.lang == "sh":
                    self.do_sh(b, cwd)
                elif b.lang == "console":
                    self.do_console(b, cwd)
                elif b.lang == "python" and re.match(r"\s*>>> ", b.text):
                    pending_doctests.append(b)
                elif b.lang == "python":
                    self.do_python_script(b, cwd)
                elif b.lang in ("c", "cpp", "fortran"):
                    self.do_compiled(b, cwd)
                elif b.lang == "text":
                    self.skipped.append((b.where(), "text shown, not a command"))
                elif b.lang == "r":
                    self.skipped.append((b.where(), "R session; the R package's examples run in R CMD check"))
                else:
                    self.fail(b.where(), f"a '{b.lang or 'plain'}' block with no doc-test marker: "
                                         "mark it <!-- doc-test: skip (reason) --> or give it a language that runs")
            except subprocess.TimeoutExpired:
                self.fail(b.where(), f"did not finish within {TIMEOUT} s")
        if pending_doctests:
            self.do_doctest(pending_doctests, cwd)

    def finish(self):
        if not self.keep:
            shutil.rmtree(self.scratch_root, ignore_errors=True)


class LineRunner(doctest.DocTestRunner):
    """Remembers the line (within its block) of each example that failed."""
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.failed_lines = []

    def report_failure(self, out, test, example, got):
        self.failed_lines.append(example.lineno)
        super().report_failure(out, test, example, got)

    def report_unexpected_exception(self, out, test, example, exc_info):
        self.failed_lines.append(example.lineno)
        super().report_unexpected_exception(out, test, example, exc_info)


def interleaves(want, out, err):
    """Whether the shown lines are the printed stdout and stderr lines in some
    interleaving of the two; "..." in the shown lines matches any run of lines."""
    want = [w.rstrip() for w in want]
    out = [o.rstrip() for o in out]
    err = [e.rstrip() for e in err]
    seen = {}

    def m(i, j, k):
        key = (i, j, k)
        if key in seen:
            return seen[key]
        if i == len(want):
            r = j == len(out) and k == len(err)
        elif want[i].strip() == "...":
            r = m(i + 1, j, k) or (j < len(out) and m(i, j + 1, k)) or (k < len(err) and m(i, j, k + 1))
        else:
            r = (j < len(out) and out[j] == want[i] and m(i + 1, j + 1, k)) or \
                (k < len(err) and err[k] == want[i] and m(i + 1, j, k + 1))
        seen[key] = r
        return r

    sys.setrecursionlimit(max(10000, 4 * (len(want) + len(out) + len(err))))
    return m(0, 0, 0)


def cpp_declarations(text):
    """Function declarations 'R varnel::ns::f(params) noexcept;' become
    function pointers initialised with the library's function, so that a
    signature that no longer matches does not compile; everything else
    (includes, a namespace block of extern constants, definitions) is
    compiled as it is."""
    decl = re.compile(r"(?m)^(?P<ret>[^\n;#{}()]*?)\s+(?P<name>varnel::[\w:]+)\s*\((?P<params>[^;]*?)\)\s*(?P<ne>noexcept)?\s*;")
    counter = iter(range(1 << 30))

    def pointer(m):
        return (f"[[maybe_unused]] static {m['ret'].strip()} (*check_{next(counter)})({' '.join(m['params'].split())})"
                f" {m['ne'] or ''} = &{m['name']};")
    return decl.sub(pointer, text)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--prefix", required=True, help="the installed prefix (cmake --install ... --prefix)")
    ap.add_argument("--build", help="the build tree the prefix was installed from")
    ap.add_argument("--repo", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    ap.add_argument("--keep", action="store_true", help="keep the scratch directories")
    ap.add_argument("--list", action="store_true", help="list the blocks and what would be done, run nothing")
    ap.add_argument("files", nargs="*")
    args = ap.parse_args()
    repo = os.path.abspath(args.repo)
    files = args.files or [os.path.join(repo, f) for f in ("README.md", "CONTRIBUTING.md")] + \
        sorted(glob.glob(os.path.join(repo, "docs", "*.md")))
    if not os.path.isfile(os.path.join(args.prefix, "bin", "varnel")):
        sys.exit(f"doctest_md: no installed varnel in {args.prefix}/bin")
    if args.list:
        for f in files:
            for b in blocks_of(f, os.path.relpath(os.path.abspath(f), repo)):
                what = " ".join(b.marker) if b.marker else (b.lang or "plain")
                print(f"{b.where():32} {what[:60]:60} {b.text.splitlines()[0][:70] if b.text.strip() else ''}")
        return
    r = Runner(args)
    start = time.time()
    try:
        for f in files:
            r.page(f, os.path.relpath(os.path.abspath(f), repo))
    finally:
        r.finish()
    rd = sorted(glob.glob(os.path.join(repo, "r", "man", "*.Rd")))
    r_examples = sum(open(f, encoding="utf-8").read().count("\\examples{") for f in rd)
    print(f"docs test: {len(files)} pages, {r.run} blocks and commands run, {r.compared} outputs compared, "
          f"{len(r.skipped)} blocks skipped, {len(r.failures)} failed ({time.time() - start:.0f} s)")
    print(f"R package examples run by R CMD check: {r_examples} (r/man, {len(rd)} pages)")
    reasons = {}
    for where, reason in r.skipped:
        reasons.setdefault(reason, []).append(where)
    for reason, wheres in sorted(reasons.items(), key=lambda kv: -len(kv[1])):
        print(f"  skipped {len(wheres)}: {reason}: {', '.join(wheres)}")
    if r.failures:
        print("failed:")
        for where, _ in r.failures:
            print(f"  {where}")
        sys.exit(1)


if __name__ == "__main__":
    main()
