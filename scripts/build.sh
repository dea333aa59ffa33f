#!/usr/bin/env bash
# Configures and builds into a build directory (default: build).
#   build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}
shift || true
[[ "$dir" = /* ]] || dir="$root/$dir"
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
