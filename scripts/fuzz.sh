#!/usr/bin/env bash
# Runs every fuzz harness of build/fuzz for the given number of seconds each (default 15).
# Longer runs: scripts/fuzz.sh 600. A crash fails the script and leaves its input in build/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
mkdir -p build/fuzz/crashes
status=0
for harness in build/fuzz/fuzz/fuzz_*; do
  [[ -x "$harness" ]] || continue
  name=$(basename "$harness")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [[ -d "fuzz/seeds/${name#fuzz_}" ]] && seeds=("fuzz/seeds/${name#fuzz_}")
  echo "-- $name for ${seconds}s"
  if ! "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=build/fuzz/crashes/ -print_final_stats=0 "$corpus" "${seeds[@]}" \
      >"build/fuzz/$name.log" 2>&1; then
    echo "$name FAILED; see build/fuzz/$name.log"
    tail -n 40 "build/fuzz/$name.log"
    status=1
  else
    grep -E '^Done [0-9]+ runs' "build/fuzz/$name.log" || true
  fi
done
exit $status
