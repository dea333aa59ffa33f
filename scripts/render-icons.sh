#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG into data/icons/N/
# (committed, so building needs no SVG renderer). Run after editing the SVG.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons="$root/data/icons"
id=org.varnalux.varnalux
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/$size"
  rsvg-convert -w "$size" -h "$size" "$icons/$id.svg" -o "$icons/$size/$id.png"
done
echo "rendered $icons/*/$id.png"
