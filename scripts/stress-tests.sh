#!/usr/bin/env bash
# Runs the core, widget and virtual-printer tests many times in a row while a
# busy loop runs on every processor, to show that no test depends on timing.
#   stress-tests.sh [REPEAT [BUILD_DIR]]   defaults: 20 and build/
# Stops at the first failure. The busy loops end with the script, however it ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeat=${1:-20}
dir=${2:-$root/build}
[[ "$repeat" =~ ^[1-9][0-9]*$ ]] || { echo "stress-tests.sh: REPEAT must be a positive number" >&2; exit 64; }
[[ -f "$dir/CTestTestfile.cmake" ]] || { echo "stress-tests.sh: no tests in $dir (build with -DVARNALUX_BUILD_TESTS=ON first)" >&2; exit 66; }

# Busy loops and the test run are this script's own children; they end with
# it, also when it is interrupted (the run goes to the background so that a
# signal is handled at once, not after the run).
children=()
stop_children() {
  local pid
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${children[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_children EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

for ((i = 0; i < $(nproc); ++i)); do
  yes >/dev/null &
  children+=("$!")
done

cd "$dir"
QT_QPA_PLATFORM=offscreen ctest -L '^(core|gui|sim)$' --repeat until-fail:"$repeat" -j2 \
  --timeout 300 --output-on-failure &
run=$!
children+=("$run")
status=0
wait "$run" || status=$?
exit "$status"
