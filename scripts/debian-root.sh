#!/usr/bin/env bash
# Debian roots made from Debian's packages, for building and testing in a
# release other than the host's (Debian 13 "trixie" on a Debian 12 machine)
# and for installing packages into a clean system of a release. Needs root
# (chroot and mounts, as CI runs); no package is installed on the host.
#
#   debian-root.sh path RELEASE KIND      prints the cached root, making it first if needed
#   debian-root.sh mirror                 prints the Debian mirror the roots are made from
#   debian-root.sh run RELEASE KIND [--bind HOST_DIR:DIR]... [--] COMMAND...
#                                         runs COMMAND (default: an interactive shell) in a
#                                         throw-away copy of the root, in /src
#
# KIND is "clean" (debootstrap --variant=minbase, nothing more: the install
# test's system) or "build" (minbase plus the project's build, test and
# packaging dependencies, the arm64 cross compilers and qemu). The roots are
# made once and kept under ${VARNEL_CACHE_DIR:-$HOME/.cache/varnel}/debian-roots,
# one directory per release, kind and recipe (the key hashes the package list):
# a changed list makes a new root, and a root older than
# VARNEL_ROOT_MAX_AGE_DAYS (default 30) is made again, for the release's
# updates. A root is made in a temporary directory and renamed into place only
# when complete, so an interrupted run leaves no broken cache.
#
# `run` never changes the cached root: COMMAND works in an overlay over it (a
# full copy where overlayfs cannot be mounted), thrown away at the end. It
# gets a copy of the source tree in /src (without the build directories,
# dist/ and .git), so builds and dist/ inside do not touch the host's; /proc,
# /sys, /dev and /dev/shm; the host's /etc/resolv.conf; the release's apt
# archive cache (downloads are kept between runs); a cache directory of its
# own for the release in /var/cache/varnel (VARNEL_CACHE_DIR there: the arm64
# Python userland of scripts/arm64-python-root.sh); and each --bind directory
# read-write (a way to hand results back, e.g. --bind "$PWD/build-x:/out").
# Every mount is undone when COMMAND ends, however it ends. CI, VARNEL_* and
# TERM are passed into the root; so is the exit status of COMMAND.
#
# The Debian mirror is the one of this machine's apt sources
# (/etc/apt/sources.list.d/*.sources, *.list, /etc/apt/sources.list), or
# VARNEL_DEBIAN_MIRROR. debootstrap itself is the host release's package,
# fetched with apt-get download and unpacked (dpkg-deb -x), not installed.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=${VARNEL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel}
roots=$cache/debian-roots
max_age=${VARNEL_ROOT_MAX_AGE_DAYS:-30}
say() { echo "debian-root: $*" >&2; }

# --- what each kind of root holds ------------------------------------------
# The project's build and tests (ctest, the Python suite with Dask's cluster,
# the benchmarks' library), the packages and lintian, the arm64 cross build
# with its run-time libraries for dpkg-shlibdeps, qemu for the arm64 tests,
# and pip, setuptools, wheel, venv and scikit-build-core for the pip
# install, the wheel and the source distribution (Debian 13 and later).
build_packages=(g++ cmake make pkg-config gfortran libgtest-dev googletest libbenchmark-dev
                python3-dev python3-numpy python3-pytest python3-dask python3-distributed
                python3-pip python3-setuptools python3-wheel python3-venv python3-scikit-build-core
                dpkg-dev fakeroot file lintian binutils
                g++-aarch64-linux-gnu gfortran-aarch64-linux-gnu qemu-user
                libc6:arm64 libgcc-s1:arm64 libstdc++6:arm64)
# Debian testing's build root also checks the R package, the wheels'
# platform tag with auditwheel and, where packaged, the free-threaded CPython
# (scripts/test-debian.sh).
testing_build_packages=(r-base-dev r-cran-testthat python3-auditwheel)
packages_of() { # kind, release
  case $1 in
    clean) ;;
    build)
      echo "${build_packages[@]}"
      if [ "$2" = forky ]; then echo "${testing_build_packages[@]}"; fi ;;
    *) say "unknown kind '$1' (clean or build)"; exit 2 ;;
  esac
}

# --- the mirror: the Debian archive of this machine's apt sources ----------
debian_mirror() {
  if [ -n "${VARNEL_DEBIAN_MIRROR:-}" ]; then echo "$VARNEL_DEBIAN_MIRROR"; return; fi
  local mirror
  # deb822 stanzas: the URIs of a stanza whose Suites has a plain release
  # name (not -security or -updates) and that is Debian's (its keyring, or a
  # path ending in /debian).
  mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
    function flush() {
      if (types ~ /(^| )deb( |$)/ && suites ~ /(^| )[a-z]+( |$)/ &&
          (signed ~ /debian-archive-keyring/ || uris ~ /\/debian\/?( |$)/)) { split(uris, u, " "); print u[1] }
      types = suites = uris = signed = ""
    }
    /^[ \t]*$/ { flush(); next }
    /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
    /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
    /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
    /^Signed-By:/ { signed = $0 }
    END { flush() }' | head -1)
  if [ -z "$mirror" ]; then
    # One-line sources: deb [options] URI SUITE COMPONENTS...
    mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
             sed -n 's/^deb[ \t]\+\(\[[^]]*\][ \t]\+\)\?\([^ \t]*\/debian\/\?\)[ \t]\+[a-z]\+[ \t].*/\2/p' |
             head -1)
  fi
  [ -n "$mirror" ] || { say "no Debian archive in /etc/apt/sources.list.d/ (set VARNEL_DEBIAN_MIRROR)"; exit 1; }
  echo "$mirror"
}

# --- debootstrap, unpacked from the host release's package -------------------
debootstrap_dir() {
  local version dir
  version=$(apt-cache show --no-all-versions debootstrap | sed -n 's/^Version: //p' | head -1)
  [ -n "$version" ] || { say "apt knows no debootstrap package (apt-get update?)"; exit 1; }
  dir=$cache/debootstrap-$version
  if [ ! -e "$dir/.complete" ]; then
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    (cd "$dir.tmp" && apt-get download -q debootstrap >&2 && dpkg-deb -x debootstrap_*.deb unpacked)
    mv "$dir.tmp/unpacked" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.complete"
  fi
  echo "$dir"
}

# --- mounts that are always undone -------------------------------------------
mounted=()  # mount points, in the order they were made
mount_at() { # mount-point, mount arguments...
  local point=$1
  shift
  mkdir -p "$point"
  mount "$@" "$point"
  mounted+=("$point")
}
unmount_all() {
  local i point
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    point=${mounted[i]}
    umount "$point" 2>/dev/null || umount -l "$point" || say "could not unmount $point"
  done
  mounted=()
}
still_mounted_below() { # directory: true if anything is mounted there or below
  awk -v d="$1" '$5 == d || index($5, d "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo
}
remove_tree() { # directory, removed only once nothing is mounted inside
  [ -e "$1" ] || return 0
  if still_mounted_below "$1"; then say "not removing $1: something is still mounted there"; return 1; fi
  rm -rf "$1"
}
# The kernel file systems a root needs, and the name server of the host.
prepare_root() { # root
  local root=$1
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  mount_at "$root/proc" -t proc proc
  mount_at "$root/sys" -t sysfs -o ro sysfs
  mount_at "$root/dev" --bind /dev
  mount_at "$root/dev/pts" --bind /dev/pts
  mount_at "$root/dev/shm" -t tmpfs -o mode=1777 tmpfs
}
# The apt archive cache of a release, shared by every root of it.
mount_apt_archives() { # root, release
  mkdir -p "$cache/apt-archives-$2/partial"
  mount_at "$1/var/cache/apt/archives" --bind "$cache/apt-archives-$2"
}
in_root() { # root, command...: a clean environment, the variables that matter passed on
  local root=$1
  shift
  local vars=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
              LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive)
  local name
  for name in CI TERM $(compgen -e | grep '^VARNEL_' | grep -vx VARNEL_CACHE_DIR || true); do
    [ -n "${!name+set}" ] && vars+=("$name=${!name}")
  done
  vars+=(VARNEL_CACHE_DIR=/var/cache/varnel)
  chroot "$root" /usr/bin/env -i "${vars[@]}" "$@"
}

# --- making a cached root -------------------------------------------------------
root_dir() { # release, kind
  local key
  key=$(printf '%s\n' "recipe 1" "$1" "$2" $(packages_of "$2" "$1") | sha256sum | cut -c1-12)
  echo "$roots/$1-$2-$key"
}
# A root in use by a run is held shared (its .complete file locked); it is
# removed only under an exclusive lock, waiting for the runs to end, or, for
# roots of an old recipe, only if no run uses it now.
remove_root() { # root, [--if-unused]
  local wait=()
  [ "${2:-}" = --if-unused ] && wait=(-n)
  if [ -e "$1/.complete" ]; then
    exec 7<"$1/.complete"
    flock "${wait[@]}" 7 || { exec 7<&-; return 0; }
  fi
  remove_tree "$1"
  exec 7<&- 2>/dev/null || true
}
fresh() { # root: complete and young enough
  [ -e "$1/.complete" ] && [ -z "$(find "$1/.complete" -mtime +"$max_age" 2>/dev/null)" ]
}

make_root() { # release, kind
  local release=$1 kind=$2 root tmp mirror dir script packages
  root=$(root_dir "$release" "$kind")
  fresh "$root" && return 0
  mkdir -p "$roots"
  exec 9>"$roots/.lock"
  flock 9
  if fresh "$root"; then exec 9>&-; return 0; fi
  tmp=$root.tmp
  remove_tree "$tmp"
  packages=$(packages_of "$kind" "$release")
  if [ "$kind" != clean ]; then
    # Every other kind starts from a copy of the clean root.
    exec 9>&-
    make_root "$release" clean
    exec 9>"$roots/.lock"
    flock 9
    say "making $root from the clean root: $packages"
    cp -a "$(root_dir "$release" clean)" "$tmp"
    rm -f "$tmp/.complete"
  else
    mirror=$(debian_mirror)
    dir=$(debootstrap_dir)
    # A release newer than the host's debootstrap (Debian testing) is made
    # with the script of unstable, which has every newer release's layout.
    script=$dir/usr/share/debootstrap/scripts/$release
    [ -e "$script" ] || script=$dir/usr/share/debootstrap/scripts/sid
    say "debootstrap --variant=minbase $release from $mirror into $tmp ($(basename "$script")'s script)"
    DEBOOTSTRAP_DIR=$dir/usr/share/debootstrap "$dir/usr/sbin/debootstrap" --variant=minbase \
      --keyring=/usr/share/keyrings/debian-archive-keyring.gpg "$release" "$tmp" "$mirror" "$script" >&2
    printf 'deb %s %s main\n' "$mirror" "$release" >"$tmp/etc/apt/sources.list"
    # The mirror's copy of testing may be weeks old, its Release file past
    # its Valid-Until date; the signature is still checked.
    if [ ! -e "$dir/usr/share/debootstrap/scripts/$release" ]; then
      echo 'Acquire::Check-Valid-Until "false";' >"$tmp/etc/apt/apt.conf.d/90varnel-testing"
    fi
  fi
  (
    trap unmount_all EXIT
    trap 'exit 130' INT TERM HUP
    prepare_root "$tmp"
    mount_apt_archives "$tmp" "$release"
    if [ -n "$packages" ]; then
      grep -q ':arm64' <<<"$packages" && in_root "$tmp" dpkg --add-architecture arm64
      in_root "$tmp" apt-get update -qq
      # shellcheck disable=SC2086
      in_root "$tmp" apt-get install -y -qq --no-install-recommends $packages >/dev/null
    fi
    in_root "$tmp" apt-get clean
  )
  remove_tree "$tmp/var/lib/apt/lists" && mkdir -p "$tmp/var/lib/apt/lists/partial"
  printf '%s\n' "$release $kind" $packages >"$tmp/.packages"
  # The old root of this key (too old) goes, the new one takes its place.
  if [ -e "$root" ]; then remove_root "$root"; fi
  mv "$tmp" "$root"
  touch "$root/.complete"
  # Older roots of the same release and kind, made from other recipes.
  local other
  for other in "$roots/$release-$kind-"*; do
    [ "$other" = "$root" ] || [ ! -d "$other" ] || remove_root "$other" --if-unused || true
  done
  exec 9>&-
  say "made $root"
}

# --- running in a throw-away copy --------------------------------------------
run_in_root() { # release, kind, [--bind host:dir]... [--] command...
  local release=$1 kind=$2
  shift 2
  local binds=()
  while (($#)); do
    case $1 in
      --bind) binds+=("$2"); shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  (($#)) || set -- bash -i
  make_root "$release" "$kind"
  local lower work
  lower=$(root_dir "$release" "$kind")
  mkdir -p "$cache/runs"
  work=$(mktemp -d "$cache/runs/$release-$kind.XXXXXX")
  # Runs hold the root shared, so that no rebuild replaces it meanwhile.
  exec 8<"$lower/.complete"
  flock -s 8
  local status=0
  (
    trap 'unmount_all; remove_tree "$work"' EXIT
    trap 'exit 130' INT TERM HUP
    root=$work/root
    mkdir -p "$work/upper" "$work/work" "$root"
    if ! mount_at "$root" -t overlay overlay \
           -o "lowerdir=$lower,upperdir=$work/upper,workdir=$work/work" 2>/dev/null; then
      say "no overlayfs here: copying the root"
      rmdir "$root"
      cp -a "$lower" "$root"
    fi
    prepare_root "$root"
    mount_apt_archives "$root" "$release"
    mkdir -p "$cache/in-root-$release"
    mount_at "$root/var/cache/varnel" --bind "$cache/in-root-$release"
    mkdir -p "$root/src"
    tar -C "$source_dir" --exclude=./.git --exclude='./build*' --exclude=./_install --exclude=./dist \
      -cf - . | tar -C "$root/src" -xf -
    local b
    for b in "${binds[@]}"; do
      mkdir -p "${b%%:*}"
      mount_at "$root/${b#*:}" --bind "${b%%:*}"
    done
    in_root "$root" sh -c 'cd /src && exec "$@"' sh "$@"
  ) || status=$?
  exec 8<&-
  return "$status"
}

case ${1:-} in
  mirror)
    debian_mirror
    ;;
  path)
    [ $# -eq 3 ] || { say "usage: $0 path RELEASE KIND"; exit 2; }
    make_root "$2" "$3"
    root_dir "$2" "$3"
    ;;
  run)
    [ $# -ge 3 ] || { say "usage: $0 run RELEASE KIND [--bind HOST:DIR]... [--] COMMAND..."; exit 2; }
    shift
    run_in_root "$@"
    ;;
  *)
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
