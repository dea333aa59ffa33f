#!/usr/bin/env bash
# Installs the Debian packages Varnalux needs, when they are missing.
#   install-deps.sh          what building and running the program needs
#   install-deps.sh --tests  also what the tests, benchmarks and the
#                            install and package checks need
#   install-deps.sh --fuzz   also what the fuzz targets need (clang, libFuzzer)
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libusb-1.0-0-dev qt6-base-dev libgl-dev
  libfreetype-dev libfontconfig-dev libpng-dev fonts-liberation)
# The exporter's HTTP server.
packages+=(libcpp-httplib-dev)
if [[ "${1:-}" == "--tests" ]]; then
  packages+=(googletest libgtest-dev libbenchmark-dev umockdev libumockdev-dev iproute2 clang-format
    fonts-dejavu-core fonts-wqy-microhei)
  packages+=(desktop-file-utils appstream mandoc man-db dpkg-dev file lintian)
  # The exporter's test against a real Prometheus server.
  packages+=(prometheus)
elif [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
