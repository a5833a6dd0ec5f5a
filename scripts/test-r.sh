#!/usr/bin/env bash
# The R package (r/) against an installed libvarnel prefix (cmake --install
# ... --prefix PREFIX): the source package is built and checked with
# R CMD check --no-manual offline, whose result must be "Status: OK" (no
# warnings, no notes); its tests compare every function's bits with the
# prefix's evaluator. Then the benchmark in its short run (no timing looked
# at), the R example of the distributions against the C++ one and, when dist/ holds the libvarnel Debian packages (scripts/package.sh),
# the r-cran-varnel package: scripts/package-r.sh builds, lints and
# install-tests it. Prints its run time.
# usage: test-r.sh PREFIX
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
prefix=$(cd "${1:?usage: test-r.sh PREFIX}" && pwd)
work=$PWD/build-test-r
rm -rf "$work"
mkdir -p "$work/lib"

export PKG_CONFIG_PATH=$prefix/share/pkgconfig
export VARNEL_EVALUATOR=$prefix/bin/varnel VARNEL_REQUIRE_EVALUATOR=1
export _R_CHECK_CRAN_INCOMING_=false _R_CHECK_SYSTEM_CLOCK_=0
export R_LIBS_USER=$work/lib  # nothing of the user's own library (package-r.sh resets it)

# The package's version is the project's.
version=$(pkg-config --modversion varnel-c)
described=$(sed -n 's/^Version: *//p' r/DESCRIPTION)
if [ "$described" != "$version" ]; then
  echo "r/DESCRIPTION has Version $described, the library is $version"; exit 1
fi

(cd "$work" && R CMD build --no-build-vignettes "$OLDPWD/r" >build.log 2>&1) || { cat "$work/build.log"; exit 1; }
tarball=$work/varnel_$version.tar.gz
(cd "$work" && R CMD check --no-manual "$tarball") | tee "$work/check.log"
if ! grep -qx "Status: OK" "$work/check.log"; then
  echo "R CMD check: not OK"
  cat "$work"/varnel.Rcheck/tests/testthat.Rout.fail 2>/dev/null || true
  exit 1
fi

echo "--- R benchmark, short run"
R CMD INSTALL -l "$work/lib" "$tarball" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
Rscript r/bench/bench.R --quick --lib "$work/lib"

# The R example of the distributions prints what the C++ example prints,
# to the last digit; the C++ one is built here against the prefix.
echo "--- R example against the C++ example (examples/r/distributions.R)"
R_LIBS=$work/lib Rscript examples/r/distributions.R >"$work/distributions-r.txt"
c++ -std=c++17 examples/distributions.cpp $(pkg-config --cflags --libs varnel-stats) -o "$work/distributions"
"$work/distributions" >"$work/distributions-cpp.txt"
diff "$work/distributions-cpp.txt" "$work/distributions-r.txt"
cat "$work/distributions-r.txt"

if compgen -G "dist/libvarnel-c0_*_amd64.deb" >/dev/null; then
  bash scripts/package-r.sh
else
  echo "skip r-cran-varnel: no dist/libvarnel-c0_*_amd64.deb (run scripts/package.sh first)"
fi
echo "R package: $((SECONDS - start)) s"
