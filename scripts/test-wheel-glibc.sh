#!/usr/bin/env bash
# The wheel's objects on an older system than the one that built them: in a
# clean root of the given Debian release (scripts/debian-root.sh; bullseye,
# Debian 11, has glibc 2.31), `ldd -r` binds every symbol of every object of
# the wheel, as the loader would, and each must find every library and every
# symbol version it asks for. The only symbols left unbound are the Python
# interpreter's (Py*, _Py*), which an extension module takes from the
# process that imports it. Objects of the host's architecture only. Needs root.
#
# usage: test-wheel-glibc.sh RELEASE WHEEL...
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:?usage: test-wheel-glibc.sh RELEASE WHEEL...}
shift
(($#)) || { echo "usage: test-wheel-glibc.sh RELEASE WHEEL..." >&2; exit 2; }
start=$SECONDS
work=$PWD/build-wheel-glibc-$release
rm -rf "$work"
mkdir -p "$work"
for wheel in "$@"; do
  dir=$work/$(basename "$wheel" .whl)
  mkdir -p "$dir"
  /usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$wheel" "$dir"
done
cat >"$work/check.sh" <<'EOF'
set -eu
. /etc/os-release
echo "$PRETTY_NAME, $(ldd --version | head -n 1)"
status=0
for object in $(find /wheels -name '*.so*' -type f | sort); do
  report=$(ldd -r "$object" 2>&1 || true)
  missing=$(echo "$report" | grep -E 'not found|undefined symbol' |
            grep -Ev 'undefined symbol: _?Py[A-Za-z_]' || true)
  if [ -n "$missing" ]; then
    echo "${object#/wheels/}: MISSING"
    echo "$missing" | sed 's/^/    /'
    status=1
  else
    python=$(echo "$report" | grep -c 'undefined symbol: _\{0,1\}Py' || true)
    echo "${object#/wheels/}: every library and symbol version found" \
         "($python symbols left to the interpreter)"
  fi
done
exit $status
EOF
bash scripts/debian-root.sh run "$release" clean --bind "$work:/wheels" -- sh /wheels/check.sh
echo "wheel objects on $release checked in $((SECONDS - start)) s"
