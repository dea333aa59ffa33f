#!/usr/bin/env bash
# Renders the main window, reading the virtual printer, on Qt's offscreen
# platform into data/screenshots/main-window.png (the metainfo's screenshot).
#   screenshot.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
[[ -f "$dir/build.ninja" ]] || cmake -S "$root" -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --target varnalux-screenshot
QT_QPA_PLATFORM=offscreen "$dir/bin/varnalux-screenshot" "$root/data/screenshots/main-window.png"
echo "wrote $root/data/screenshots/main-window.png"
