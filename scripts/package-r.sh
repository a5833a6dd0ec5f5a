#!/usr/bin/env bash
# The Debian package r-cran-varnel (amd64): the R package of r/, installed by
# R CMD INSTALL into a staging tree as /usr/lib/R/site-library/varnel, against
# the libvarnel-c0, libvarnel-stats0 and libvarnel-dev packages in dist/ (unpacked, not
# installed), with a DEBIAN/control written here; then lintian and, as root
# on amd64, an install test. Run after scripts/package.sh; writes
# dist/r-cran-varnel_<version>_amd64.deb.
#
# The version is exactly the Version of dist/libvarnel-c0_*_amd64.deb (so a
# change of the Debian revision scheme in packaging/ carries over), and the
# package depends on libvarnel-c0 and libvarnel-stats0 of that very version;
# its upstream part must be r/DESCRIPTION's Version. The package's library
# finds libvarnel-c.so.0 and libvarnel-stats.so.0 by the run path $ORIGIN/../../../../../lib64
# (/usr/lib64 from .../site-library/varnel/libs), as the other packages'
# binaries find theirs.
#
# arm64 is not built: R CMD INSTALL runs R itself (to byte-compile, make the
# lazy-load and help databases and test-load the package), so a cross build
# needs Debian's arm64 R (r-base-core:arm64 and the thirty-odd libraries it
# loads) unpacked beside the arm64 Python userland and run under qemu, with
# every R and shell child process started through qemu as well, since
# binfmt_misc is not available here; see docs/r.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
dist=$PWD/dist
arch=amd64
. packaging/checks.sh

shopt -s nullglob
c_debs=("$dist"/libvarnel-c0_*_"$arch".deb)
shopt -u nullglob
if [ "${#c_debs[@]}" -ne 1 ]; then
  echo "package-r: want one dist/libvarnel-c0_*_$arch.deb, found ${#c_debs[@]}: run scripts/package.sh first"
  exit 1
fi
version=$(dpkg-deb -f "${c_debs[0]}" Version)
maintainer=$(dpkg-deb -f "${c_debs[0]}" Maintainer)
upstream=${version%-*}
described=$(sed -n 's/^Version: *//p' r/DESCRIPTION)
if [ "$upstream" != "$described" ]; then
  echo "package-r: libvarnel-c0 is $version, r/DESCRIPTION has Version $described"; exit 1
fi
deb_of() { echo "$dist/${1}_${version}_$arch.deb"; }
package=r-cran-varnel
out=$(deb_of $package)
echo "=== $package $version ($arch)"

work=$PWD/build-package-r
rm -rf "$work"
mkdir -p "$work"
installed=()
cleanup() {
  if ((${#installed[@]})); then dpkg --purge "${installed[@]}" >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

# The libraries and headers to build against, as the packages hold them;
# libvarnel-c0 and libvarnel-stats0 raw, with their DEBIAN/symbols, for
# dpkg-shlibdeps.
sysroot=$work/sysroot
for p in libvarnel0 libvarnel-c0 libvarnel-stats0 libvarnel-dev; do dpkg-deb -x "$(deb_of $p)" "$sysroot"; done
dpkg-deb -R "$(deb_of libvarnel-c0)" "$work/libvarnel-c0"
dpkg-deb -R "$(deb_of libvarnel-stats0)" "$work/libvarnel-stats0"

# The R package, built and installed into the staging tree.
(cd "$work" && R CMD build --no-build-vignettes "$source_dir/r" >build.log 2>&1) ||
  { cat "$work/build.log"; exit 1; }
stage=$work/stage
site=$stage/usr/lib/R/site-library
mkdir -p "$site" "$stage/DEBIAN"  # DEBIAN/ first: dpkg-shlibdeps finds the package root by it
# Debian's R link flags, with immediate binding as Debian's build flags add it.
printf 'LDFLAGS = %s -Wl,-z,now\n' "$(R CMD config LDFLAGS)" >"$work/Makevars"
# shellcheck disable=SC2016 # $ORIGIN is for the dynamic loader
PKG_CONFIG_PATH=$sysroot/usr/share/pkgconfig PKG_CONFIG_LIBDIR=$sysroot/usr/share/pkgconfig \
  VARNEL_RPATH='$ORIGIN/../../../../../lib64' LD_LIBRARY_PATH=$sysroot/usr/lib64 R_MAKEVARS_USER=$work/Makevars \
  R CMD INSTALL --no-multiarch --clean -l "$site" "$work/varnel_$described.tar.gz" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; exit 1; }
so=$site/varnel/libs/varnel.so
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$so"
chmod 0644 "$so"
rm -f "$site/varnel/LICENSE"  # the copyright file below says it
doc=$stage/usr/share/doc/$package
mkdir -p "$doc" "$stage/usr/share/lintian/overrides"
install -m 0644 packaging/debian/copyright "$doc/copyright"
gzip -9nc packaging/debian/changelog >"$doc/changelog.Debian.gz"
install -m 0644 packaging/lintian/$package "$stage/usr/share/lintian/overrides/$package"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f ! -name '*.so' -exec chmod 0644 {} +

# Dependencies: computed from the library (libc6; libvarnel-c0 and
# libvarnel-stats0 through their symbols files, replaced by the packages of
# exactly this version), then R:
# r-base-core ships no shlibs file for libR.so, so the R the package was built
# with and its interface are named as Debian's dh-r names them.
mkdir -p "$work/shlibdeps/debian"
printf 'Source: libvarnel\n\nPackage: %s\nArchitecture: %s\n' "$package" "$arch" \
  >"$work/shlibdeps/debian/control"
computed=$(cd "$work/shlibdeps" &&
           dpkg-shlibdeps -O -l"$work/libvarnel-c0/usr/lib64" -l"$work/libvarnel-stats0/usr/lib64" \
             -l/usr/lib/R/lib "$so" 2>"$work/shlibdeps.log" |
           sed -n 's/^shlibs:Depends=//p') || { cat "$work/shlibdeps.log"; exit 1; }
if [ -s "$work/shlibdeps.log" ]; then cat "$work/shlibdeps.log"; bad "dpkg-shlibdeps warns"; fi
computed=$(tr ',' '\n' <<<"$computed" | sed 's/^ *//' | { grep -Ev '^libvarnel-(c|stats)0 ' || true; } |
           paste -sd, - | sed 's/,/, /g')
r_api=$(dpkg-query -W -f='${Provides}' r-base-core | tr ',' '\n' | sed -n 's/^ *\(r-api-[0-9.]*\).*/\1/p')
r_version=$(dpkg-query -W -f='${Version}' r-base-core)
depends="$computed, libvarnel-c0 (= $version), libvarnel-stats0 (= $version), r-base-core (>= $r_version), $r_api"

cat >"$stage/DEBIAN/control" <<EOF
Package: $package
Source: libvarnel
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Section: gnu-r
Priority: optional
Description: GNU R special functions of libvarnel (erf, gamma, incomplete gamma and beta)
 The R package varnel makes every function of libvarnel's C interface a
 vectorised R function: the error-function family, real gamma and log-gamma
 in single and double precision, complex gamma and log-gamma, the
 regularised incomplete gamma functions and two incomplete beta functions,
 plus seventeen constants; and the inverse functions of libvarnel-stats
 (error functions, incomplete gamma and beta), each exactly where its
 forward function crosses the target. Results have the bits of the C
 libraries; whole vectors go to their array versions in one call, with R's
 recycling, NA and attribute conventions.
EOF
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$out" >/dev/null
ok "built $(basename "$out")"
dpkg-deb -I "$out"

echo "--- lintian $package"
if lintian --fail-on error,warning "$out"; then ok "lintian: no errors or warnings"
else bad "lintian reports errors or warnings"; fi

check "$package: Depends has libvarnel-c0 (= $version)" \
  "$(dpkg-deb -f "$out" Depends | tr ',' '\n' | grep -c "^ *libvarnel-c0 (= $version)$")" 1
check "$package: Depends has libvarnel-stats0 (= $version)" \
  "$(dpkg-deb -f "$out" Depends | tr ',' '\n' | grep -c "^ *libvarnel-stats0 (= $version)$")" 1
# shellcheck disable=SC2016 # $ORIGIN is for the dynamic loader
check "$package: run path" "$(readelf -d "$so" | sed -n 's/.*runpath: \[\(.*\)\]/\1/p')" \
  '$ORIGIN/../../../../../lib64'

# --- install test: the package with its libraries and the evaluator, the
# package's tests run against the installed package, then removed.
if [ "$(dpkg --print-architecture)" = "$arch" ] && [ "$(id -u)" -eq 0 ]; then
  echo "--- dpkg -i $package"
  # R as a user has it: no other library of the package before the system's.
  unset R_LIBS R_LIBS_SITE
  export R_LIBS_USER=$work/no-user-library
  installed=(libvarnel0 libvarnel-c0 libvarnel-stats0 varnel-tools "$package")
  if dpkg -i "$(deb_of libvarnel0)" "$(deb_of libvarnel-c0)" "$(deb_of libvarnel-stats0)" \
       "$(deb_of varnel-tools)" "$out" >/dev/null; then
    ok "dpkg -i"
  else
    bad "dpkg -i"; exit 1
  fi
  check "library(varnel) from /usr/lib/R/site-library" \
    "$(cd "$work" && Rscript -e 'cat(find.package("varnel"))')" /usr/lib/R/site-library/varnel
  loaded=$(cd "$work" && Rscript -e 'library(varnel); x <- d_igamc(2.5, 3)
    maps <- readLines("/proc/self/maps"); cat(unique(sub(".* ", "", grep("libvarnel-c", maps, value = TRUE))))')
  check "the installed package loads /usr/lib64/libvarnel-c.so.0" "$(realpath "$loaded")" /usr/lib64/libvarnel-c.so.0
  loaded=$(cd "$work" && Rscript -e 'library(varnel); x <- d_igamc_inv(2.5, 0.05)
    maps <- readLines("/proc/self/maps"); cat(unique(sub(".* ", "", grep("libvarnel-stats", maps, value = TRUE))))')
  check "the installed package loads /usr/lib64/libvarnel-stats.so.0" "$(realpath "$loaded")" \
    /usr/lib64/libvarnel-stats.so.0
  if (cd "$work" && VARNEL_EVALUATOR=/usr/bin/varnel VARNEL_REQUIRE_EVALUATOR=1 Rscript -e \
        'library(testthat); library(varnel); r <- as.data.frame(test_dir(commandArgs(TRUE)[1], stop_on_failure = TRUE, reporter = "summary"))' \
        "$source_dir/r/tests/testthat") >"$work/tests.log" 2>&1; then
    ok "the package's tests against the installed package and /usr/bin/varnel"
  else
    cat "$work/tests.log"; bad "the package's tests against the installed package"
  fi
  dpkg --purge "${installed[@]}" 2>&1 >/dev/null | grep -v "directory '/usr/lib64' not empty" >&2 || true
  installed=()
  if [ ! -e /usr/lib/R/site-library/varnel ] && [ ! -e /usr/lib64/libvarnel-c.so.0 ] &&
     [ ! -e /usr/lib64/libvarnel-stats.so.0 ]; then
    ok "dpkg --purge removes the files"
  else
    bad "dpkg --purge left files behind"
  fi
else
  echo "skip dpkg -i $package: needs root on an $arch Debian system"
fi

if ((fail)); then echo "$package: FAILED"; exit 1; fi
echo "$package: passed"
