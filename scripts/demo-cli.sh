#!/usr/bin/env bash
# Starts the module simulator on loopback and talks to it with the karvelm tool, showing
# real exchanges over UDP.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-packages.sh --runtime-only
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target karvelm karvelm-sim >/dev/null
bin=build/release/src

log=$(mktemp)
work=$(mktemp -d)
"$bin/sim/karvelm-sim" --bind 127.0.0.1 --port 0 >"$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$log" "$work"' EXIT
for _ in $(seq 100); do
  grep -q 'listening on' "$log" && break
  sleep 0.05
done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -n 1)
[[ -n "$port" ]] || { echo "the simulator did not start:"; cat "$log"; exit 1; }

karvelm() {
  echo "\$ karvelm $*"
  "$bin/cli/karvelm" --ip 127.0.0.1 --port "$port" --local-port 0 "$@"
  echo
}
echo "Module simulator on 127.0.0.1:$port"
echo
karvelm identify
karvelm identify --json
karvelm versions
karvelm bus write 177566 101
karvelm bus read 177560 4
karvelm bus read 177560 4 --json
# A configuration backup through the bootloader and back, and its settings offline.
karvelm config read 1 "$work/backup.bin" --restart
karvelm file show "$work/backup.bin"
karvelm config write 2 "$work/backup.bin" --restart
karvelm identify
