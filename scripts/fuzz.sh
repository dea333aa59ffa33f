#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs them.
#   fuzz.sh                      every target for a fixed number of runs on a
#                                copy of its seed corpus (what CI runs)
#   fuzz.sh --long NAME [SECS]   one target for SECS seconds (default 3600);
#                                new inputs collect in build-fuzz/corpus/NAME
#   fuzz.sh --list               the target names
# A crash leaves its input in build-fuzz/artifacts/; once fixed, copy it into
# tests/fuzz/corpus/NAME/ so every later run replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-fuzz"
runs=${VARNALUX_FUZZ_RUNS:-20000}

names=()
for src in "$root"/tests/fuzz/*_fuzz.cpp; do
  n=$(basename "$src" _fuzz.cpp)
  names+=("$n")
done
if [[ "${1:-}" == "--list" ]]; then
  printf '%s\n' "${names[@]}"
  exit 0
fi

"$root/scripts/install-deps.sh" --fuzz
cmake_args=(-DVARNALUX_FUZZ=ON -DVARNALUX_SANITIZE=ON -DVARNALUX_BUILD_GUI=OFF
  -DVARNALUX_BUILD_TESTS=OFF -DVARNALUX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
[[ "${CI:-}" == "true" ]] && cmake_args+=(-DVARNALUX_WERROR=ON)
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja "${cmake_args[@]}" >/dev/null
cmake --build "$dir" --target fuzz_all

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$dir/artifacts"
common=(-max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=0
  "-artifact_prefix=$dir/artifacts/")

if [[ "${1:-}" == "--long" ]]; then
  name=${2:?"--long needs a target name (fuzz.sh --list)"}
  secs=${3:-3600}
  mkdir -p "$dir/corpus/$name"
  exec "$dir/bin/fuzz_$name" "${common[@]}" -max_total_time="$secs" \
    "$dir/corpus/$name" "$root/tests/fuzz/corpus/$name"
fi

failed=0
passed=0
for name in "${names[@]}"; do
  work=$(mktemp -d)
  start=$SECONDS
  # New inputs go to the scratch folder; the seeds (and the regression
  # inputs among them) are read first.
  if "$dir/bin/fuzz_$name" "${common[@]}" -runs="$runs" "$work" \
      "$root/tests/fuzz/corpus/$name" >"$dir/fuzz_$name.log" 2>&1; then
    echo "fuzz_$name: $runs runs, no failure ($((SECONDS - start)) s)"
    passed=$((passed + 1))
  else
    echo "fuzz_$name: FAILED (log: $dir/fuzz_$name.log)"
    tail -n 40 "$dir/fuzz_$name.log"
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
