#!/usr/bin/env bash
# NumPy 2's C headers for an architecture, from Debian 13's python3-numpy-dev
# (NumPy 2.2), for building the wheel's stable-ABI extension on a release
# whose own NumPy is 1.x (Debian 12). The package is fetched with apt-get
# download through a private apt configuration that knows Debian 13's main
# archive (the mirror of this machine's apt sources, or VARNEL_DEBIAN_MIRROR)
# and unpacked, not installed. Cached under $VARNEL_CACHE_DIR (default
# ~/.cache/varnel), keyed by the package's version; the package lists are
# fetched again after a day.
#
# usage: numpy2-headers.sh ARCH     (amd64 or arm64) prints the directory to
#                                   give as VARNEL_NUMPY_INCLUDE_DIR
set -euo pipefail
arch=${1:?usage: numpy2-headers.sh amd64|arm64}
case $arch in
  amd64) multiarch=x86_64-linux-gnu ;;
  arm64) multiarch=aarch64-linux-gnu ;;
  *) echo "numpy2-headers: no architecture '$arch' (amd64 or arm64)" >&2; exit 2 ;;
esac
release=trixie
cache=${VARNEL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel}
apt_dir=$cache/apt-$release
mirror=${VARNEL_DEBIAN_MIRROR:-}
if [ -z "$mirror" ]; then
  mirror=$(bash "$(dirname "$0")/debian-root.sh" mirror)
fi
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial"
printf 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n' \
  "$mirror" "$release" >"$apt_dir/sources.list"
apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir"
             -o Dir::Cache::archives="$apt_dir/archives" -o Dir::State::Status=/dev/null
             -o APT::Architectures::=amd64 -o APT::Architectures::=arm64
             -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
exec 9>"$apt_dir/.lock"
flock 9
if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Packages*' -mtime -1 2>/dev/null)" ]; then
  apt-get -qq "${apt_options[@]}" update >&2
fi
version=$(apt-cache "${apt_options[@]}" show --no-all-versions "python3-numpy-dev:$arch" |
          sed -n 's/^Version: //p' | head -1)
[ -n "$version" ] || { echo "numpy2-headers: no python3-numpy-dev:$arch in $release" >&2; exit 1; }
dir=$cache/numpy2-headers-${version//[:~+]/_}-$arch
if [ ! -e "$dir/.complete" ]; then
  rm -rf "$dir" "$dir.tmp"
  mkdir -p "$dir.tmp"
  (cd "$dir.tmp" && apt-get -q "${apt_options[@]}" download "python3-numpy-dev:$arch" >&2 &&
     dpkg-deb -x python3-numpy-dev_*.deb unpacked)
  mv "$dir.tmp/unpacked" "$dir"
  rm -rf "$dir.tmp"
  touch "$dir/.complete"
fi
include=$dir/usr/lib/$multiarch/python3-numpy/numpy/_core/include
[ -e "$include/numpy/_numpyconfig.h" ] || { echo "numpy2-headers: no headers in $include" >&2; exit 1; }
echo "$include"
