#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# the machine lacks. Idempotent: nothing is fetched when all is present.
set -euo pipefail
packages=(cmake g++ googletest libbenchmark-dev g++-aarch64-linux-gnu qemu-user
          binutils python3-mpmath python3-numpy python3-matplotlib pkg-config
          clang libclang-rt-14-dev
          libboost-math-dev libgsl-dev)  # the benchmarks' peers
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
