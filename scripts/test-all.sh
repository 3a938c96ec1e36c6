#!/usr/bin/env bash
# Builds everything and runs every test: the debug build's tests, all of them again under
# AddressSanitizer + UndefinedBehaviorSanitizer (the core and the Qt program alike), and a short
# bounded run of every fuzz harness.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-packages.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== debug build and tests"
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$jobs"
ctest --preset dev -j"$jobs"

echo "== all tests under ASan + UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j"$jobs"

echo "== fuzz smoke"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-15}"

