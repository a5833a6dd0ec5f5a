#!/usr/bin/env bash
# The docs test: every command and every shown output of README.md and
# docs/*.md, run against an installed prefix (tools/doctest_md.py says how
# each kind of block is run and how a block is marked as not runnable here).
#
#   bash scripts/test-docs.sh [PREFIX [FILE.md...]]
#
# PREFIX defaults to build-test/_install; the files, to README.md,
# CONTRIBUTING.md and docs/*.md.
#
# The prefix is what `cmake --install BUILD --prefix PREFIX` made; its Python
# package must be importable by /usr/bin/python3 for the Python examples.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(realpath "${1:-build-test/_install}")
shift || true
exec /usr/bin/python3 tools/doctest_md.py --prefix "$prefix" "$@"
