#!/usr/bin/env bash
# Installs what the tests need, builds and runs the whole test suite.
#   test.sh              build/ and its tests
#   test.sh --sanitize   build-asan/ with AddressSanitizer and
#                        UndefinedBehaviorSanitizer, and its tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --tests

dir="$root/build"
cmake_args=(-DVARNALUX_BUILD_TESTS=ON)
# CI treats every compiler warning as an error.
[[ "${CI:-}" == "true" ]] && cmake_args+=(-DVARNALUX_WERROR=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
  dir="$root/build-asan"
  cmake_args+=(-DVARNALUX_SANITIZE=ON -DVARNALUX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:verify_asan_link_order=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  cmake_args+=(-DVARNALUX_BUILD_BENCH=ON)
fi
"$root/scripts/build.sh" "$dir" "${cmake_args[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$dir"
ctest --output-on-failure -j2 --timeout 300
