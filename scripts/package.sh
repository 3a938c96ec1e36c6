#!/usr/bin/env bash
# Builds the Debian package: an optimised build installed under /usr, packed by CPack.
# Prints the path of the .deb; install it with `sudo apt install ./karvelm_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-packages.sh >&2
build=build/package
cmake --preset release -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DKARVELM_BUILD_BENCH=OFF >&2
cmake --build "$build" -j"$(nproc)" >&2
bash tests/packaging/build_package.sh "$build" "$build/deb"
