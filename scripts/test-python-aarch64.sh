#!/usr/bin/env bash
# The Python package's tests on aarch64, under user-mode qemu: Debian's arm64
# CPython and NumPy of the release this runs on (scripts/arm64-python-root.sh:
# Debian 12's on the host, Debian 13's in its root) run the pytest suite
# against the arm64 packages in dist/ (python3-varnel, libvarnel0,
# libvarnel-c0, libvarnel-stats0 and varnel-tools, unpacked into a prefix of
# their own), with the packaged
# aarch64 evaluator as the reference for the bits. Run scripts/package.sh
# first. Extra arguments go to pytest.
#
# Left out under qemu: the Dask cluster (a LocalCluster needs the distributed
# package and its compiled dependencies for arm64, and each worker process
# would import NumPy under qemu again) and the tests that start the
# interpreter as a subprocess (qemu runs an arm64 program's children only
# where the kernel has a binfmt_misc entry for aarch64, which CI machines
# need not have), and, under a qemu older than 10 (Debian 12's 7.2), the fork
# test (qemu 7.2 aborts in a child forked from a process with threads, on an
# assertion of its own; Debian 13's qemu 10 runs it).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
eval "$(bash scripts/arm64-python-root.sh --env)"
root=$VARNEL_ARM64_ROOT
work=$source_dir/build-python-aarch64
# The packages' version, release suffix included, from the tree they came from.
version=$(sed -n 's/^VARNEL_DEBIAN_VERSION:INTERNAL=//p' build-package-arm64/CMakeCache.txt 2>/dev/null || true)
[ -n "$version" ] || { echo "no build-package-arm64: run scripts/package.sh first"; exit 1; }

rm -rf "$work"
mkdir -p "$work/prefix"
for p in libvarnel0 libvarnel-c0 libvarnel-stats0 varnel-tools python3-varnel; do
  deb=dist/${p}_${version}_arm64.deb
  [ -s "$deb" ] || { echo "no $deb: run scripts/package.sh first"; exit 1; }
  dpkg-deb -x "$deb" "$work/prefix"
done
prefix=$work/prefix/usr

# One set of C library and loader: the arm64 userland's, for every program.
qemu=(qemu-aarch64 -L "$root" -E LD_LIBRARY_PATH="$VARNEL_ARM64_LIBRARY_PATH")
# The evaluator as the tests call it: a host script, which the kernel runs
# natively, that runs the aarch64 program under qemu.
cat >"$work/varnel" <<EOF
#!/bin/sh
exec ${qemu[*]} $prefix/bin/varnel "\$@"
EOF
chmod +x "$work/varnel"

python=("${qemu[@]}" -E PYTHONPATH="$prefix/lib/python3/dist-packages"
        -E VARNEL_EVALUATOR="$work/varnel" -E PYTHONDONTWRITEBYTECODE=1 -E VARNEL_TEST_SLOWDOWN=15
        "$VARNEL_ARM64_PYTHON")
# The module comes from the package and loads the package's library through
# its run path.
"${python[@]}" - "$prefix" <<'EOF'
import os, platform, sys
import numpy as np, varnel
prefix = sys.argv[1]
assert platform.machine() == "aarch64", platform.machine()
assert varnel.__file__.startswith(prefix + "/lib/python3/dist-packages/varnel/"), varnel.__file__
maps = open("/proc/self/maps").read()
assert prefix + "/lib64/libvarnel.so.0" in maps, "libvarnel.so.0 not from the package"
assert prefix + "/lib64/libvarnel-stats.so.0" in maps, "libvarnel-stats.so.0 not from the package"
print(f"varnel {varnel.__version__} on {platform.machine()}, NumPy {np.__version__}, "
      f"{sys.version.split()[0]}, from {os.path.dirname(varnel.__file__)}")
EOF
# The compiled caches of pytest's assertion rewriting go to the work tree.
cd "$work"
left_out="not cluster and not environment_and_affinity"
qemu_major=$(qemu-aarch64 --version | sed -n 's/^qemu-aarch64 version \([0-9]*\).*/\1/p')
((${qemu_major:-0} >= 10)) || left_out+=" and not forked_child"
"${python[@]}" -m pytest -q -p no:cacheprovider --rootdir="$source_dir/python/tests" \
  -k "$left_out" "$source_dir/python/tests" "$@"
