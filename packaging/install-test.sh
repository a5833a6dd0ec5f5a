#!/usr/bin/env bash
# Checks the packages in dist/ the way a distribution and a user would:
#   - every expected .deb and .rpm is there, for amd64/x86_64 and arm64/aarch64;
#   - lintian finds no error and no warning that is not overridden;
#   - control fields: architecture, the -dev package's exact dependency on the
#     libraries, the computed dependencies on libvarnel0 and libvarnel-stats0; the symbols files list
#     exactly what the packaged libraries export (dpkg-gensymbols);
#   - RPM file lists and requirements (rpm -qpl, rpm -qpR);
#   - the packaged libraries hold the same code and data as the build tree's;
#   - the amd64 packages installed with dpkg: the examples (C++, C and
#     Fortran) built through pkg-config and find_package (with the version
#     rule of the CMake package) and run, and the evaluator; removed again
#     however the test ends;
#   - the arm64 .deb and the aarch64 RPM unpacked: the evaluator and the
#     examples run under qemu against the unpacked libraries, through the
#     packaged run path and soname.
# The Debian packages are those of the release this runs on (Debian 12 on the
# host, Debian 13 in its root: their versions end in ~deb12u1, ~deb13u1, their
# Python and NumPy dependencies are that release's), and lintian is that
# release's; the RPMs are checked where the trees made them
# (VARNEL_PACKAGE_GENERATORS). packaging/apt-install-test.sh installs the
# Debian packages with apt into a clean root of the release.
# usage: install-test.sh, after scripts/package.sh (it reads dist/ and the
# build-package-amd64 and build-package-arm64 trees the packages came from).
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD dist=$PWD/dist
declare -A build_dir=([amd64]=$PWD/build-package-amd64 [arm64]=$PWD/build-package-arm64)
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "${build_dir[amd64]}/CMakeCache.txt"; }
version=$(cache_value CMAKE_PROJECT_VERSION)
release=$(cache_value VARNEL_PACKAGE_RELEASE)
deb_version=$(cache_value VARNEL_DEBIAN_VERSION)
rpms_made=0
grep -qw RPM <<<"$(cache_value VARNEL_PACKAGE_GENERATORS)" && rpms_made=1
if [ -z "$version" ] || [ -z "$release" ] || [ -z "$deb_version" ]; then
  echo "no packaging tree in ${build_dir[amd64]}: run scripts/package.sh first"
  exit 1
fi
. packaging/checks.sh

work=$(mktemp -d)
installed=()
cleanup() {
  if ((${#installed[@]})); then dpkg --purge "${installed[@]}" >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

deb_file() { echo "$dist/${1}_${deb_version}_$2.deb"; }
rpm_file() { echo "$dist/$1-${version}-${release}.$2.rpm"; }
rpm_arch() { case $1 in amd64) echo x86_64 ;; arm64) echo aarch64 ;; esac; }
debs=(libvarnel0 libvarnel-c0 libvarnel-stats0 libvarnel-dev varnel-tools)
rpms=(libvarnel libvarnel-c libvarnel-stats libvarnel-devel varnel-tools)
((rpms_made)) || rpms=()

# --- every package is there -----------------------------------------------------
for arch in amd64 arm64; do
  for p in "${debs[@]}"; do
    f=$(deb_file "$p" "$arch")
    if [ -s "$f" ]; then ok "present: $(basename "$f")"; else bad "missing: $(basename "$f")"; fi
  done
  for p in "${rpms[@]}"; do
    f=$(rpm_file "$p" "$(rpm_arch "$arch")")
    if [ -s "$f" ]; then ok "present: $(basename "$f")"; else bad "missing: $(basename "$f")"; fi
  done
done
((fail)) && exit 1

# --- lintian ----------------------------------------------------------------------
echo "--- lintian"
if lintian --fail-on error,warning "$dist"/*.deb; then
  ok "lintian: no errors or warnings"
else
  bad "lintian reports errors or warnings"
fi

# --- Debian control fields --------------------------------------------------------
field() { dpkg-deb -f "$1" "$2"; }
for arch in amd64 arm64; do
  for p in "${debs[@]}"; do
    check "$p $arch: Architecture" "$(field "$(deb_file "$p" "$arch")" Architecture)" "$arch"
  done
  check "libvarnel-dev $arch: depends on exactly this libvarnel0, libvarnel-c0 and libvarnel-stats0" \
    "$(field "$(deb_file libvarnel-dev "$arch")" Depends)" \
    "libvarnel0 (= ${deb_version}), libvarnel-c0 (= ${deb_version}), libvarnel-stats0 (= ${deb_version})"
  # Computed by dpkg-shlibdeps: the C library and libgcc for the library, and
  # libvarnel0 through its symbols file for the evaluator.
  lib_depends=$(field "$(deb_file libvarnel0 "$arch")" Depends | sed 's/ ([^)]*)//g')
  check "libvarnel0 $arch: computed Depends" "$lib_depends" "libc6, libgcc-s1"
  tools_depends=$(field "$(deb_file varnel-tools "$arch")" Depends)
  if grep -Eq '(^|, )libvarnel0 \(>= [0-9.]+\)' <<<"$tools_depends"; then
    ok "varnel-tools $arch: computed dependency on libvarnel0"
  else
    bad "varnel-tools $arch: no computed dependency on libvarnel0 in '$tools_depends'"
  fi
  if grep -Eq '(^|, )libvarnel-stats0 \(>= [0-9.]+\)' <<<"$tools_depends"; then
    ok "varnel-tools $arch: computed dependency on libvarnel-stats0"
  else
    bad "varnel-tools $arch: no computed dependency on libvarnel-stats0 in '$tools_depends'"
  fi
  # The C interface needs libvarnel0 (through its symbols file) and nothing
  # of its own: its wrappers jump into libvarnel.so.0, and the C library its
  # array versions call is libc6, which libvarnel0 needs too.
  c_depends=$(field "$(deb_file libvarnel-c0 "$arch")" Depends)
  if grep -Eq '(^|, )libvarnel0 \(>= [0-9.]+\)' <<<"$c_depends"; then
    ok "libvarnel-c0 $arch: computed dependency on libvarnel0 ($c_depends)"
  else
    bad "libvarnel-c0 $arch: no computed dependency on libvarnel0 in '$c_depends'"
  fi
  # The inverse functions call libvarnel.so.0's forward functions and the C
  # and mathematics libraries: libvarnel0 (through its symbols file) and
  # libc6, perhaps libgcc-s1, nothing else.
  stats_depends=$(field "$(deb_file libvarnel-stats0 "$arch")" Depends)
  stats_names=$(sed 's/ ([^)]*)//g' <<<"$stats_depends" | tr ',' '\n' | sed 's/^ *//' | sort | paste -sd' ')
  if grep -Eq '(^|, )libvarnel0 \(>= [0-9.]+\)' <<<"$stats_depends" &&
     { [ "$stats_names" = "libc6 libvarnel0" ] || [ "$stats_names" = "libc6 libgcc-s1 libvarnel0" ]; }; then
    ok "libvarnel-stats0 $arch: computed dependencies ($stats_depends)"
  else
    bad "libvarnel-stats0 $arch: want libc6 and libvarnel0 (>= ...) in '$stats_depends'"
  fi
  for row in "libvarnel0 libvarnel.so.0 libvarnel" "libvarnel-c0 libvarnel-c.so.0 libvarnel-c" \
             "libvarnel-stats0 libvarnel-stats.so.0 libvarnel-stats"; do
    read -r p so name <<<"$row"
    root=$work/deb-$arch-$p
    dpkg-deb -R "$(deb_file "$p" "$arch")" "$root"
    check "$p $arch: shlibs" "$(cat "$root/DEBIAN/shlibs")" "$name 0 $p (>= 0.1.0)"
    # dpkg-gensymbols reads a source package's debian/control (Debian 13's
    # always): a minimal one, in a directory of its own.
    mkdir -p "$work/gensymbols/debian"
    printf 'Source: libvarnel\n\nPackage: %s\nArchitecture: any\n' "$p" >"$work/gensymbols/debian/control"
    if (cd "$work/gensymbols" && dpkg-gensymbols -c4 -q -p"$p" -v"$version" -a"$arch" -P"$root" \
          -I"$root/DEBIAN/symbols" -e"$root/usr/lib64/$so" -O/dev/null); then
      ok "$p $arch: the symbols file matches the exported symbols"
    else
      bad "$p $arch: the symbols file does not match the exported symbols"
    fi
  done
done

# --- python3-varnel, both architectures --------------------------------------------
# Built against each architecture's own Python: its extension suffix, the
# exact libvarnel0 of this build, the interpreter's version range and NumPy's
# binary interface; the extension finds the library through its run path.
# The interpreter is the release's (its minor version from the tree), and the
# NumPy dependency must name an ABI that the release's python3-numpy
# provides (the build machine's, of the same version for both architectures).
python_built_for=$(cache_value VARNEL_PYTHON_BUILT_FOR)
python_minor=${python_built_for#3.}
numpy_provides=$(dpkg-query -W -f='${Provides}' python3-numpy | tr -d ' ' | tr ',' '\n')
declare -A ext_suffix=([amd64]=x86_64-linux-gnu [arm64]=aarch64-linux-gnu)
declare -A readelf_for=([amd64]=readelf [arm64]=aarch64-linux-gnu-readelf)
for arch in amd64 arm64; do
  f=$(deb_file python3-varnel "$arch")
  if [ ! -s "$f" ]; then bad "missing: $(basename "$f")"; continue; fi
  check "python3-varnel $arch: Architecture" "$(field "$f" Architecture)" "$arch"
  depends=$(field "$f" Depends)
  for want in "libvarnel0 (= ${deb_version})" "libvarnel-c0 (= ${deb_version})" \
              "libvarnel-stats0 (= ${deb_version})" \
              "python3 (>= $python_built_for~)" "python3 (<< 3.$((python_minor + 1)))"; do
    if grep -qF "$want" <<<"$depends"; then ok "python3-varnel $arch: depends on $want"
    else bad "python3-varnel $arch: no '$want' in '$depends'"; fi
  done
  abis=$(tr ',|' '\n\n' <<<"$depends" | tr -d ' ' | grep -E '^python3-numpy2?-abi[0-9]+$' || true)
  if [ -n "$abis" ] && grep -qxF -f <(echo "$abis") <<<"$numpy_provides"; then
    ok "python3-varnel $arch: depends on NumPy's ABI as this release's python3-numpy provides it ($(echo $abis))"
  else
    bad "python3-varnel $arch: no NumPy ABI of '$numpy_provides' in '$depends'"
  fi
  module=usr/lib/python3/dist-packages/varnel/_varnel.cpython-3${python_minor}-${ext_suffix[$arch]}.so
  listing=$(dpkg-deb -c "$f")
  if grep -q " ./$module\$" <<<"$listing"; then ok "python3-varnel $arch: $module"
  else bad "python3-varnel $arch: no $module"; fi
  root=$work/python-$arch
  dpkg-deb -x "$f" "$root"
  check "python3-varnel $arch: run path to /usr/lib64" \
    "$("${readelf_for[$arch]}" -d "$root/$module" | sed -n 's/.*runpath: \[\(.*\)\]/\1/p')" '$ORIGIN/../../../../lib64'
done

# --- RPM file lists and requirements -------------------------------------------
# rpmlib() and rtld() requirements are rpm's own; everything else must be one of
# the libraries (or the pkg-config program of the .pc file) named here.
expect_rpm() { # package, rpm arch, expected file list (one pattern per line), allowed requirements (ERE)
  local f listed extra
  f=$(rpm_file "$1" "$2")
  check "$1 $2: rpm architecture" "$(rpm -qp --qf '%{ARCH}' "$f")" "$2"
  listed=$(rpm -qpl "$f")
  check "$1 $2: files" "$listed" "$3"
  extra=$(rpm -qpR "$f" | grep -Ev '^(rpmlib\(|rtld\()' | grep -Ev "^($4)$")
  check "$1 $2: requirements only on the allowed libraries" "$extra" ""
}
libc='libc\.so\.6|libm\.so\.6|libgcc_s\.so\.1'
rpm_arches=()
((rpms_made)) && rpm_arches=(x86_64 aarch64)
for arch in "${rpm_arches[@]}"; do
  expect_rpm libvarnel "$arch" "/usr/lib64/libvarnel.so.0" \
    "($libc)\(\)\(64bit\)|($libc)\((GLIBC|GCC)_[0-9.]+\)\(64bit\)"
  expect_rpm libvarnel-c "$arch" "/usr/lib64/libvarnel-c.so.0" \
    "libvarnel\.so\.0\(\)\(64bit\)|($libc)\(\)\(64bit\)|($libc)\((GLIBC|GCC)_[0-9.]+\)\(64bit\)"
  expect_rpm libvarnel-stats "$arch" "/usr/lib64/libvarnel-stats.so.0" \
    "libvarnel\.so\.0\(\)\(64bit\)|($libc)\(\)\(64bit\)|($libc)\((GLIBC|GCC)_[0-9.]+\)\(64bit\)"
  expect_rpm libvarnel-devel "$arch" "/usr/include/varnel
/usr/include/varnel/functions.h
/usr/include/varnel/stats.h
/usr/include/varnel/stats.hpp
/usr/include/varnel/varnel.f90
/usr/include/varnel/varnel.h
/usr/include/varnel/varnel.hpp
/usr/lib64/libvarnel-c.so
/usr/lib64/libvarnel-stats.so
/usr/lib64/libvarnel.so
/usr/share/cmake/varnel
/usr/share/cmake/varnel/varnelConfig.cmake
/usr/share/cmake/varnel/varnelConfigVersion.cmake
/usr/share/cmake/varnel/varnelTargets-release.cmake
/usr/share/cmake/varnel/varnelTargets.cmake
/usr/share/pkgconfig/varnel-c.pc
/usr/share/pkgconfig/varnel-stats.pc
/usr/share/pkgconfig/varnel.pc" "libvarnel = ${version}-${release}|libvarnel-c = ${version}-${release}|libvarnel-stats = ${version}-${release}|/usr/bin/pkg-config"
  # The pinned data of varnel --check: aarch64's are patches to x86_64's.
  check_data="/usr/share/varnel
/usr/share/varnel/characterisation"
  [ "$arch" = aarch64 ] && check_data+="
/usr/share/varnel/characterisation/aarch64.bin"
  check_data+="
/usr/share/varnel/characterisation/x86_64.bin"
  expect_rpm varnel-tools "$arch" "/usr/bin/varnel
/usr/share/man/man1/varnel.1.gz
$check_data" \
    "(${libc}|libstdc\+\+\.so\.6)\(\)\(64bit\)|(${libc}|libstdc\+\+\.so\.6)\((GLIBC|GCC|CXXABI|GLIBCXX)_[0-9.]+\)\(64bit\)|libvarnel(-stats)?\.so\.0\(\)\(64bit\)"
done

# --- unpacked packages ------------------------------------------------------------
for arch in amd64 arm64; do
  d=$work/deb-root-$arch r=$work/rpm-root-$arch
  mkdir -p "$d" "$r"
  for p in "${debs[@]}"; do dpkg-deb -x "$(deb_file "$p" "$arch")" "$d"; done
  for p in "${rpms[@]}"; do
    (cd "$r" && rpm2cpio "$(rpm_file "$p" "$(rpm_arch "$arch")")" | cpio -idm --quiet)
  done
done

# Stripping may drop symbol tables, nothing else: the sections the loader maps
# must be the build tree's, byte for byte, once the build tree's run path is
# replaced by the installed one (as the installation does, in place).
objcopy_for() { case $1 in amd64) echo objcopy ;; arm64) echo aarch64-linux-gnu-objcopy ;; esac; }
runpath_of() { readelf -d "$1" | sed -n 's/.*Library runpath: \[\(.*\)\]$/\1/p'; }
as_installed() { # build-tree library, installed library: a copy of the first with the second's run path
  local copy=$work/as-installed-$(basename "$1")
  cp "$1" "$copy"
  echo 'file(RPATH_CHANGE FILE "${FILE}" OLD_RPATH "${OLD}" NEW_RPATH "${NEW}")' >"$work/runpath.cmake"
  cmake -DFILE="$copy" -DOLD="$(runpath_of "$1")" -DNEW="$(runpath_of "$2")" -P "$work/runpath.cmake" >&2
  echo "$copy"
}
loaded_sections() { # objcopy, library: a digest of its code and data
  local s out=$work/section
  for s in .text .rodata .data .data.rel.ro .dynsym .dynstr; do
    rm -f "$out"
    "$1" -O binary --only-section="$s" "$2" "$out" && sha256sum <"$out"
  done | sha256sum | cut -c1-16
}
for arch in "${!build_dir[@]}"; do
  oc=$(objcopy_for "$arch")
  for so in libvarnel.so.0 libvarnel-c.so.0 libvarnel-stats.so.0; do
    want=$(loaded_sections "$oc" "$(as_installed "${build_dir[$arch]}/$so" "$work/deb-root-$arch/usr/lib64/$so")")
    check "$arch .deb: $so code and data as built" \
      "$(loaded_sections "$oc" "$work/deb-root-$arch/usr/lib64/$so")" "$want"
    ((rpms_made)) && check "$arch .rpm: $so code and data as built" \
      "$(loaded_sections "$oc" "$work/rpm-root-$arch/usr/lib64/$so")" "$want"
  done
done

# --- amd64: installed with dpkg, used as a user would ---------------------------
if [ "$(dpkg --print-architecture)" = amd64 ] && [ "$(id -u)" -eq 0 ]; then
  echo "--- dpkg -i (amd64)"
  files=()
  for p in "${debs[@]}"; do files+=("$(deb_file "$p" amd64)"); done
  # The Python module, when it was packaged.
  python_deb=$(deb_file python3-varnel amd64)
  [ -e "$python_deb" ] && files+=("$python_deb")
  installed=(libvarnel0 libvarnel-c0 libvarnel-stats0 libvarnel-dev varnel-tools)
  [ -e "$python_deb" ] && installed+=(python3-varnel)
  if dpkg -i "${files[@]}" >/dev/null; then ok "dpkg -i"; else bad "dpkg -i"; exit 1; fi

  check "installed varnel --version" "$(varnel --version)" "varnel $version"
  check "installed varnel d_gamma 5" "$(varnel d_gamma 5 | head -1)" "varnel::specfun::d_gamma(5) = 24"
  # The pinned bits on this machine, with the installed data: a C library
  # that answers differently passes, a moved arithmetic does not.
  check_output=$(varnel --check)
  check "installed varnel --check: exit status" "$?" 0
  check "installed varnel --check: reads the installed data" \
    "$(grep -c '^(data: /usr/share/varnel/characterisation)$' <<<"$check_output")" 1
  check "installed varnel --check: a verdict for every function" \
    "$(grep -cE '^[a-z_:]+ +(the same bits|[0-9]+ of [0-9]+ calls differ because)' <<<"$check_output")" 16
  check "installed varnel --check: every inverse where its forward function crosses the target" \
    "$(grep -cE '^[sd]_[a-z]+_inv +each result where .* crosses its target' <<<"$check_output")" 8
  check "installed varnel --check: every distribution's quantiles where its cdf and sf cross the target" \
    "$(grep -cE '^[a-z]+ +each quantile and isf where the cdf and sf cross the target' <<<"$check_output")" 9
  check "installed varnel d_binom_isf 1e-20 10000 4e-5" "$(varnel d_binom_isf 1e-20 10000 4e-5 | head -1)" \
    "varnel::stats::d_binom_isf(1e-20, 10000, 4e-05) = 16"
  check "installed varnel d_igamma_inv 3 0" "$(varnel d_igamma_inv 3 0 | head -1)" \
    "varnel::stats::d_igamma_inv(3, 0) = 0"
  check "pkg-config --modversion varnel-stats" "$(pkg-config --modversion varnel-stats)" "$version"
  printf '#include <varnel/stats.hpp>\nint main() { return varnel::stats::d_ibeta_inv(2, 3, 1) == 1 ? 0 : 1; }\n' \
    >"$work/stats.cpp"
  if c++ -std=c++17 "$work/stats.cpp" $(pkg-config --cflags --libs varnel-stats) -o "$work/stats-pkg-config" &&
     "$work/stats-pkg-config"; then
    ok "a program of <varnel/stats.hpp> through pkg-config varnel-stats"
  else
    bad "a program of <varnel/stats.hpp> through pkg-config varnel-stats"
  fi
  check "pkg-config --modversion" "$(pkg-config --modversion varnel)" "$version"
  if c++ -std=c++17 "$source_dir/examples/values.cpp" $(pkg-config --cflags --libs varnel) \
       -o "$work/values-pkg-config" && "$work/values-pkg-config" >/dev/null; then
    ok "examples/values.cpp through pkg-config"
  else
    bad "examples/values.cpp through pkg-config"
  fi
  # No prefix given: find_package must find the package in /usr by itself.
  if cmake -S "$source_dir/examples" -B "$work/examples" >/dev/null &&
     cmake --build "$work/examples" -j2 >/dev/null; then
    ok "examples built through find_package"
    for source in "$source_dir"/examples/*.cpp; do
      name=$(basename "$source" .cpp)
      if "$work/examples/$name" >/dev/null; then ok "example $name runs"; else bad "example $name runs"; fi
    done
  else
    bad "examples built through find_package"
  fi
  # The C and Fortran examples through pkg-config and through find_package,
  # their rows held against the installed evaluator.
  mkdir -p "$work/tails"
  if cc -std=c99 -ffp-contract=off "$source_dir/examples/c/tails.c" $(pkg-config --cflags --libs varnel-c) \
       -o "$work/tails/c-pkg-config" &&
     gfortran -ffp-contract=off -J"$work/tails" "$(pkg-config --variable=fortran_source varnel-c)" \
       "$source_dir/examples/fortran/tails.f90" $(pkg-config --libs varnel-c) -o "$work/tails/fortran-pkg-config" &&
     bash "$source_dir/tests/tails_examples.sh" varnel "$work/tails/c-pkg-config" \
       "$work/tails/fortran-pkg-config" >/dev/null; then
    ok "examples/c and examples/fortran through pkg-config: the evaluator's bits"
  else
    bad "examples/c and examples/fortran through pkg-config"
  fi
  if cmake -S "$source_dir/examples/c" -B "$work/examples-c" >/dev/null &&
     cmake --build "$work/examples-c" >/dev/null &&
     cmake -S "$source_dir/examples/fortran" -B "$work/examples-fortran" >/dev/null &&
     cmake --build "$work/examples-fortran" >/dev/null &&
     bash "$source_dir/tests/tails_examples.sh" varnel "$work/examples-c/tails" \
       "$work/examples-fortran/tails" >/dev/null; then
    ok "examples/c and examples/fortran through find_package: the evaluator's bits"
  else
    bad "examples/c and examples/fortran through find_package"
  fi

  # find_package(varnel REQUESTED): the same major.minor and any earlier patch
  # level are accepted; while the major version is 0 a different minor is not.
  IFS=. read -r major minor patch <<<"$version"
  version_rows=(
    "$major.$minor         yes same major.minor"
    "$major.$minor.$patch  yes this very version"
    "$major.$((minor + 1)) no  a later minor version"
    "$((major + 1))        no  a later major version"
  )
  if ((major == 0 && minor > 0)); then
    version_rows+=("0.$((minor - 1)) no  an earlier minor version, before 1.0")
  elif ((major > 0 && minor > 0)); then
    version_rows+=("$major.$((minor - 1)) yes an earlier minor version, from 1.0 on")
  fi
  for row in "${version_rows[@]}"; do
    read -r requested want why <<<"$row"
    mkdir -p "$work/find-$requested"
    printf 'cmake_minimum_required(VERSION 3.25)\nproject(v LANGUAGES NONE)\nfind_package(varnel %s QUIET)\nmessage(STATUS "found=${varnel_FOUND}")\n' \
      "$requested" >"$work/find-$requested/CMakeLists.txt"
    got=$(cmake -S "$work/find-$requested" -B "$work/find-$requested/build" | sed -n 's/^-- found=//p')
    [ "$got" = 1 ] && got=yes || got=no
    check "find_package(varnel $requested) with $version installed: $why" "$got" "$want"
  done
  if [ -e "$python_deb" ]; then
    check "python3-varnel: the module imports from the installed package" \
      "$(cd "$work" && /usr/bin/python3 -c 'import os, varnel; print(os.path.dirname(varnel.__file__))')" \
      /usr/lib/python3/dist-packages/varnel
  fi

  # dpkg keeps /usr/lib64 (the C library's loader link is there) and says so.
  dpkg --purge "${installed[@]}" 2>&1 >/dev/null | grep -v "directory '/usr/lib64' not empty" >&2
  installed=()
  if [ ! -e /usr/lib64/libvarnel.so.0 ] && [ ! -e /usr/lib64/libvarnel-c.so.0 ] &&
     [ ! -e /usr/lib64/libvarnel-stats.so.0 ] && [ ! -e /usr/include/varnel ]; then
    ok "dpkg --purge removes the files"
  else
    bad "dpkg --purge left files behind"
  fi
else
  echo "skip dpkg -i: needs root on an amd64 Debian system"
fi

# --- arm64/aarch64: the unpacked packages under qemu ----------------------------
# The cross C library as a whole, not the multiarch one from the host's
# ld.so.cache (see cmake/aarch64-linux-gnu.cmake).
qemu=(qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
unpacked_roots=("$work/deb-root-arm64")
((rpms_made)) && unpacked_roots+=("$work/rpm-root-arm64")
for root in "${unpacked_roots[@]}"; do
  kind=$(basename "$root" | cut -d- -f1)
  echo "--- $kind arm64, unpacked in $root"
  # The evaluator's run path must lead the loader to the unpacked library.
  loaded=$(env -u LD_LIBRARY_PATH "${qemu[@]}" -E LD_TRACE_LOADED_OBJECTS=1 "$root/usr/bin/varnel" |
           sed -n 's/^[[:space:]]*libvarnel\.so\.0 => \([^ ]*\) .*/\1/p')
  check "$kind: varnel loads libvarnel.so.0 from the package" "$(realpath -m "$loaded")" "$root/usr/lib64/libvarnel.so.0"
  check "$kind: varnel --version" "$(env -u LD_LIBRARY_PATH "${qemu[@]}" "$root/usr/bin/varnel" --version)" "varnel $version"
  check "$kind: varnel d_gamma 5" "$(env -u LD_LIBRARY_PATH "${qemu[@]}" "$root/usr/bin/varnel" d_gamma 5 | head -1)" \
    "varnel::specfun::d_gamma(5) = 24"
  check_output=$(env -u LD_LIBRARY_PATH "${qemu[@]}" "$root/usr/bin/varnel" --check)
  check "$kind: varnel --check under qemu: exit status" "$?" 0
  check "$kind: varnel --check under qemu: a verdict for every function, from the unpacked data" \
    "$(grep -cE '^[a-z_:]+ +(the same bits|[0-9]+ of [0-9]+ calls differ because)' <<<"$check_output") $(grep -c "^(data: $root/usr/share/varnel/characterisation)\$" <<<"$check_output")" "16 1"
  check "$kind: varnel --check under qemu: every inverse where its forward function crosses the target" \
    "$(grep -cE '^[sd]_[a-z]+_inv +each result where .* crosses its target' <<<"$check_output")" 8
  check "$kind: varnel --check under qemu: every distribution's quantiles where its cdf and sf cross the target" \
    "$(grep -cE '^[a-z]+ +each quantile and isf where the cdf and sf cross the target' <<<"$check_output")" 9
  # An example compiled against the unpacked development files, found through
  # the unpacked pkg-config file (whose paths are relative to its place).
  pc=$root/usr/share/pkgconfig
  if aarch64-linux-gnu-g++ -std=c++17 "$source_dir/examples/values.cpp" \
       $(PKG_CONFIG_PATH=$pc PKG_CONFIG_LIBDIR=$pc pkg-config --cflags --libs varnel) -o "$work/values-$kind" &&
     env -u LD_LIBRARY_PATH "${qemu[@]}" "$work/values-$kind" >/dev/null; then
    ok "$kind: examples/values.cpp built through pkg-config, run under qemu"
  else
    bad "$kind: examples/values.cpp built through pkg-config, run under qemu"
  fi
  # The C and Fortran examples the same way, their rows held against the
  # unpacked evaluator.
  pc_c() { PKG_CONFIG_PATH=$pc PKG_CONFIG_LIBDIR=$pc pkg-config "$@" varnel-c; }
  mkdir -p "$work/tails-$kind"
  if aarch64-linux-gnu-gcc -std=c99 -ffp-contract=off "$source_dir/examples/c/tails.c" \
       $(pc_c --cflags --libs) -o "$work/tails-$kind/c" &&
     aarch64-linux-gnu-gfortran -ffp-contract=off -J"$work/tails-$kind" "$(pc_c --variable=fortran_source)" \
       "$source_dir/examples/fortran/tails.f90" $(pc_c --libs) -o "$work/tails-$kind/fortran" &&
     env -u LD_LIBRARY_PATH bash "$source_dir/tests/tails_examples.sh" "$root/usr/bin/varnel" \
       "$work/tails-$kind/c" "$work/tails-$kind/fortran" "${qemu[@]}" >/dev/null; then
    ok "$kind: examples/c and examples/fortran built through pkg-config, the evaluator's bits under qemu"
  else
    bad "$kind: examples/c and examples/fortran built through pkg-config, the evaluator's bits under qemu"
  fi
done

if ((fail)); then echo "package tests FAILED"; exit 1; fi
echo "package tests passed"
