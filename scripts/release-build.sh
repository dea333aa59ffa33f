#!/usr/bin/env bash
# Configures and builds the release build the Debian package is made from:
# optimised, installed under /usr, without tests or benchmarks, compiled and
# linked with Debian's build flags (dpkg-buildflags, all hardening features:
# stack protector, fortified functions, read-only relocations, immediate
# binding, position-independent executables). CI makes warnings errors.
#   release-build.sh [BUILD_DIR]   (default: build-release/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-release}
[[ "$dir" = /* ]] || dir="$PWD/$dir"
command -v dpkg-buildflags >/dev/null || {
  echo "release-build.sh: dpkg-buildflags is missing (apt-get install dpkg-dev)" >&2
  exit 1
}
# Flags as a Debian package build would get them; -ffile-prefix-map takes
# the source folder out of the programs, so it is run from there.
flag() { (cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
cppflags=$(flag CPPFLAGS)
ldflags=$(flag LDFLAGS)
args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
  -DVARNALUX_BUILD_TESTS=OFF -DVARNALUX_BUILD_BENCH=OFF
  "-DCMAKE_C_FLAGS=$(flag CFLAGS) $cppflags" "-DCMAKE_CXX_FLAGS=$(flag CXXFLAGS) $cppflags"
  "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags")
# CI treats every compiler warning as an error.
[[ "${CI:-}" == "true" ]] && args+=(-DVARNALUX_WERROR=ON)
cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir"
