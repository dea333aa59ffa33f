#!/usr/bin/env bash
# Builds the Debian package (CPack's DEB generator) from the release build
# of scripts/release-build.sh (Debian's build and hardening flags):
#   package.sh        -> build-release/package/varnalux_VERSION_ARCH.deb
# Install it with: sudo apt install ./build-release/package/varnalux_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-release}
"$root/scripts/install-deps.sh"
command -v dpkg-shlibdeps >/dev/null || {
  echo "package.sh: dpkg-shlibdeps is missing (apt-get install dpkg-dev)" >&2
  exit 1
}
"$root/scripts/release-build.sh" "$dir"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/package/varnalux_*.deb
