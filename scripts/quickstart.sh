#!/usr/bin/env bash
# Sets up a fresh machine, builds and installs the library into ./_install
# and runs the example program against the installed package, then the
# Python package's tour from the same prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build -DVARNEL_BUILD_TESTS=OFF -DVARNEL_BUILD_PYTHON=ON \
  -DCMAKE_INSTALL_PREFIX="$PWD/_install"
cmake --build build -j"$(nproc)"
cmake --install build
cmake -S examples -B build-examples -DCMAKE_PREFIX_PATH="$PWD/_install"
cmake --build build-examples -j"$(nproc)"
./build-examples/values
PYTHONPATH="$PWD/_install/lib/python3/dist-packages" /usr/bin/python3 examples/python/quick_tour.py
