#!/usr/bin/env bash
# The main job: builds the configurator and starts it on the built-in simulated module, so
# that every page can be used without hardware. Extra arguments go to the program (for
# example -s as the first one for the service functions).
# Without a display (a bare server) it renders every page to PNG files instead and runs the
# command-line tool against the UDP simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-packages.sh --runtime-only
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target KarvelMcfg KarvelMcfg-screenshots karvelm karvelm-sim
bin=build/release/src

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$bin/app/ui/KarvelMcfg" "$@" --simulator
fi

echo "No display found: rendering the configurator's pages to build/screenshots instead."
QT_QPA_PLATFORM=offscreen "$bin/app/ui/KarvelMcfg-screenshots" build/screenshots
ls build/screenshots
echo
exec bash scripts/demo-cli.sh
