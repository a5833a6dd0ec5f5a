#!/usr/bin/env bash
# Builds the Debian and RPM packages for amd64/x86_64 and, through the cross
# toolchain, arm64/aarch64 into dist/, one configured tree per architecture
# (build-package-amd64, build-package-arm64). Extra arguments go to both cmake
# configurations (for example -DVARNEL_BUILD_PYTHON=ON). The Python module
# (python3-varnel) is packaged for both: natively against the host's Python
# and NumPy, and for arm64 against Debian's arm64 ones, unpacked by
# scripts/arm64-python-root.sh. Before packing, each tree runs the check every
# package build runs (ctest -L bits: the pinned result bits, the arm64 ones
# under qemu, the inverse functions against the forward functions, and the
# machine-code guard). Then packaging/install-test.sh
# checks the result. The Debian packages' versions carry the release they are
# built in (0.1.0-1~deb12u1 on Debian 12, packaging/packaging.cmake);
# -DVARNEL_PACKAGE_GENERATORS=DEB makes them alone, as the Debian 13 root does
# (which sets VARNEL_SKIP_SETUP_DEPS, its packages being installed already).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${VARNEL_SKIP_SETUP_DEPS:-}" ] || bash scripts/setup-deps.sh
arm64_python_root=$(bash scripts/arm64-python-root.sh)
jobs=$(nproc)
((jobs > 2)) && jobs=2
rm -rf dist
mkdir -p dist
for arch in amd64 arm64; do
  dir=build-package-$arch
  toolchain=()
  [ "$arch" = arm64 ] && toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
                                    -DVARNEL_PYTHON_TARGET_ROOT="$arm64_python_root")
  echo "=== packages for $arch"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_TESTS=BITS "${toolchain[@]}" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" -L bits --output-on-failure
  rm -rf "$dir/packages"
  (cd "$dir" && cpack)
  find "$dir/packages" -maxdepth 1 \( -name '*.deb' -o -name '*.rpm' \) -exec cp -t dist/ {} +
done
ls -l dist
