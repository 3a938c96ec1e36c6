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
  local status=0
  "$bin/cli/karvelm" --ip 127.0.0.1 --port "$port" --local-port 0 "$@" || status=$?
  echo
  return "$status"
}
echo "Module simulator on 127.0.0.1:$port"
echo
karvelm identify
karvelm identify --json
karvelm versions
karvelm bus write 177566 101
karvelm bus read 177560 4
karvelm bus read 177560 4 --json
# The console: keys typed on the module's keyboard, then its screen with the monitor's echo.
karvelm keys $'run/7\n'
karvelm screen
karvelm screen --json
# The DAC board and the position-sensor harness.
karvelm dac correct 3 +
karvelm dac show --json
karvelm test count --normal 167700 --additional 167704
# A configuration backup through the bootloader and back, and its settings offline.
karvelm config read 1 "$work/backup.bin" --restart
karvelm file show "$work/backup.bin"
karvelm config write 2 "$work/backup.bin" --restart
karvelm identify
# The peripheral buses, and the loop-back test through the simulated harness: the default
# pair passes; no harness line feeds 167606, so every bit of that word fails (exit status 1).
karvelm bus scan
karvelm bus scan --json
karvelm test loopback --low 167602 --high 167604
karvelm test loopback --low 167606 || echo "(exit status $?)"
# The service report of the module (both stored configurations read through the bootloader,
# the firmware restarted after), and a short recording of live values as CSV.
karvelm report --out "$work/report" --loopback --low 167602 --count --normal 167700
ls "$work/report"
head -c 600 "$work/report/report.json"; echo
karvelm watch bus --interval 0.2 --count 3 --csv "$work/bus.csv"
cat "$work/bus.csv"
karvelm watch sensors --interval 0.2 --count 3 --csv "$work/sensors.csv"
cat "$work/sensors.csv"
