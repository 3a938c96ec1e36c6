#!/usr/bin/env bash
# Builds the Debian package from an already built tree into OUT_DIR (emptied first).
#   build_package.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log" >&2
  exit 1
}
debs=("$out"/karvelm_*.deb)
[[ -f ${debs[0]} ]] || { echo "cpack made no karvelm_*.deb" >&2; cat "$out/cpack.log" >&2; exit 1; }
echo "${debs[0]}"
