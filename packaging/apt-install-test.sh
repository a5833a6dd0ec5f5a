#!/usr/bin/env bash
# The Debian packages of one release installed as a user of that release
# installs them: with apt, into a clean root of the release (debootstrap
# --variant=minbase and nothing more, made and cached by
# scripts/debian-root.sh), so that apt must fetch from the release's archive
# whatever they depend on: Python and NumPy for python3-varnel, the compiler
# and pkg-config the test asks for. Then, in that root:
#   - the installed evaluator runs;
#   - the release's python3 imports varnel from the package, with the NumPy
#     apt brought, and gives the evaluator's bits (erf, an incomplete gamma
#     and its inverse over arrays, two threads);
#   - the C example (examples/c/tails.c) builds through pkg-config and prints
#     the evaluator's bits.
# The root is thrown away afterwards. Needs root (chroot).
#
# usage: apt-install-test.sh RELEASE [DIST]
#   RELEASE: bookworm (Debian 12) or trixie (Debian 13); DIST (default dist/)
#   holds that release's amd64 .deb files (scripts/package.sh makes them).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --in-root ]; then
  release=${1:?usage: apt-install-test.sh RELEASE [DIST]}
  dist=$(realpath "${2:-dist}")
  echo "=== apt install into a clean $release root, from $dist"
  exec bash scripts/debian-root.sh run "$release" clean --bind "$dist:/debs" -- \
    bash packaging/apt-install-test.sh --in-root /debs
fi

# --- in the clean root, the source tree in /src ---------------------------------
dist=$2
packages=(libvarnel0 libvarnel-c0 libvarnel-stats0 libvarnel-dev varnel-tools python3-varnel)
files=()
for p in "${packages[@]}"; do
  found=("$dist/${p}"_*_amd64.deb)
  if [ "${#found[@]}" -ne 1 ] || [ ! -s "${found[0]}" ]; then
    echo "FAIL want exactly one ${p}_*_amd64.deb in $dist, found: ${found[*]}"
    exit 1
  fi
  files+=("${found[0]}")
done
. /etc/os-release
echo "--- $PRETTY_NAME: apt-get install ${files[*]##*/}"
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${files[@]}" gcc libc6-dev pkg-config >/dev/null

. packaging/checks.sh

dpkg-query -W "${packages[@]}" python3 python3-numpy
version=$(dpkg-query -W -f='${Version}' libvarnel0)
check "installed version ends in this release's suffix" "${version##*~deb}" "${VERSION_ID}u1"
check "varnel --version" "$(varnel --version)" "varnel ${version%%-*}"
check "varnel d_gamma 5" "$(varnel d_gamma 5 | head -1)" "varnel::specfun::d_gamma(5) = 24"
check "varnel d_ibeta_inv 2 3 1" "$(varnel d_ibeta_inv 2 3 1 | head -1)" "varnel::stats::d_ibeta_inv(2, 3, 1) = 1"

work=$(mktemp -d)
cd "$work"
if python3 - <<'EOF'; then ok "python3: import varnel, the evaluator's bits"; else bad "python3: import varnel"; fi
import subprocess, sys
import numpy as np, varnel
assert varnel.__file__ == "/usr/lib/python3/dist-packages/varnel/__init__.py", varnel.__file__
print(f"varnel {varnel.__version__}, Python {sys.version.split()[0]}, NumPy {np.__version__}")
def evaluator_bits(function, rows):
    text = "".join(" ".join(str(v) if isinstance(v, int) else float(v).hex() for v in row) + "\n"
                   for row in rows)
    out = subprocess.run(["varnel", "--stdin", function], input=text, capture_output=True,
                         text=True, check=True).stdout.splitlines()[1:]
    return [int(line.split(",")[-1], 16) for line in out]
assert int(np.float64(varnel.erf(0.5)).view(np.uint64)) == evaluator_bits("d_calerf", [(0.5, 0)])[0]
varnel.set_num_threads(2)
a = np.linspace(0.5, 20, 5000)
x = np.linspace(0.1, 30, 5000)
got = varnel.gammainc(a, x).view(np.uint64).tolist()
assert got == evaluator_bits("cephes::d_igamma", list(zip(a, x))), "gammainc bits"
p = np.linspace(0.001, 0.999, 600)
got = varnel.gammaincinv(a[:600], p).view(np.uint64).tolist()
assert got == evaluator_bits("d_igamma_inv", list(zip(a[:600], p))), "gammaincinv bits"
EOF

if gcc -std=c99 -ffp-contract=off /src/examples/c/tails.c $(pkg-config --cflags --libs varnel-c) -o tails &&
   bash /src/tests/tails_examples.sh varnel ./tails - >/dev/null; then
  ok "examples/c/tails.c built through pkg-config: the evaluator's bits"
else
  bad "examples/c/tails.c built through pkg-config"
fi

if ((fail)); then echo "apt install test FAILED ($PRETTY_NAME)"; exit 1; fi
echo "apt install test passed ($PRETTY_NAME)"
