#!/usr/bin/env bash
# End to end on the module's default link: karvelm-sim at 192.168.0.10, UDP port 30000, in one
# network namespace; karvelm with no link option at all, and then the desktop program, in a
# second one. The two are joined by a virtual Ethernet pair and by nothing else, so nothing
# the programs send can reach the machine's own network or any other.
#
# Needs root (CI runs as root): without the namespaces the test fails, it never falls back
# to the machine's own network.
#
# usage: default_link_test.sh KARVELM KARVELM_SIM KARVELMCFG
set -euo pipefail

karvelm=$(realpath "$1")
sim=$(realpath "$2")
app=$(realpath "$3")

fail() {
  echo "FAIL: $*"
  exit 1
}
[[ $(id -u) -eq 0 ]] || fail "network namespaces cannot be created without root; this test runs only inside them"
command -v ip >/dev/null || fail "ip (iproute2) is not installed"

module_ns=karvelm-module-$$
client_ns=karvelm-client-$$
module_address=192.168.0.10
client_address=192.168.0.2
subnet=192.168.0.0/24
work=$(mktemp -d)
pids=()

cleanup() {
  set +e
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  ip netns del "$client_ns" 2>/dev/null
  ip netns del "$module_ns" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Namespaces left by a run of this test that was killed before it could clean up (its pid is
# in their names, and it is gone); the programs in them ended by their own time limit.
for stale in $(ip netns list | grep -o '^karvelm-\(module\|client\)-[0-9]*'); do
  kill -0 "${stale##*-}" 2>/dev/null || ip netns del "$stale" 2>/dev/null || true
done

ip netns add "$module_ns" || fail "cannot create network namespace $module_ns"
ip netns add "$client_ns" || fail "cannot create network namespace $client_ns"
# The pair is made inside the module's namespace with its other end placed straight into the
# client's, so it never exists in the machine's own namespace.
ip -n "$module_ns" link add veth-module type veth peer name veth-client netns "$client_ns" ||
  fail "cannot create the virtual Ethernet pair"
ip -n "$module_ns" addr add "$module_address/24" dev veth-module
ip -n "$client_ns" addr add "$client_address/24" dev veth-client
for ns in "$module_ns" "$client_ns"; do
  ip -n "$ns" link set lo up
done
ip -n "$module_ns" link set veth-module up
ip -n "$client_ns" link set veth-client up

# Before anything is sent: each namespace has its loopback and its end of the pair, and
# routes to the pair's subnet only; no default route, no other way out.
check_isolated() {  # namespace, its end of the pair
  local ns=$1 end=$2 links routes routes6
  links=$(ip -n "$ns" -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }' | sort | paste -sd' ')
  [[ "$links" == "$(printf '%s\n' lo "$end" | sort | paste -sd' ')" ]] ||
    fail "namespace $ns has interfaces other than lo and $end: $links"
  routes=$(ip -n "$ns" -4 route show table main)
  [[ $(wc -l <<<"$routes") -eq 1 && "$routes" == "$subnet dev $end "* ]] ||
    fail "namespace $ns has routes other than its own pair: $routes"
  ip -n "$ns" -4 route show table all | grep -q '^default' && fail "namespace $ns has a default route"
  routes6=$(ip -n "$ns" -6 route show table main | grep -v "^fe80::/64 dev $end " || true)
  [[ -z "$routes6" ]] || fail "namespace $ns has IPv6 routes beyond the link-local one: $routes6"
  echo "ok: namespace $ns routes only to $subnet through $end"
}
check_isolated "$client_ns" veth-client
check_isolated "$module_ns" veth-module
ip -o addr show | grep -q "$module_address" && fail "$module_address is on an interface of the machine's own namespace"

# The module: the simulator at the default address and port, with its firmware images.
mkdir -p "$work/images"
# Every program runs under a time limit below the test's own, so that none outlives a run
# that was killed from outside.
limit=(timeout 200)
"${limit[@]}" ip netns exec "$module_ns" "$sim" --bind "$module_address" --port 30000 --allow-non-loopback \
  --write-images "$work/images" >"$work/sim.out" 2>"$work/sim.err" &
simulator=$!
pids+=("$simulator")
for _ in $(seq 200); do
  grep -q "listening on" "$work/sim.out" && break
  kill -0 "$simulator" 2>/dev/null || break
  sleep 0.05
done
grep -q "listening on $module_address:30000" "$work/sim.out" ||
  fail "the simulator did not start: $(cat "$work/sim.out" "$work/sim.err")"

failures=0
check() {  # check DESCRIPTION STATUS
  if [[ $2 -eq 0 ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    failures=$((failures + 1))
  fi
}
# karvelm with no link option: Ethernet, local port 30000, the module at its default address.
client() { "${limit[@]}" ip netns exec "$client_ns" "$karvelm" "$@"; }

status=0
client identify --json >"$work/identify.json" 2>"$work/identify.err" || status=$?
check "identify finds the firmware: $(cat "$work/identify.json")" \
  "$([[ $status -eq 0 ]] && grep -q '"state": "firmware"' "$work/identify.json"; echo $?)"

status=0
client config read 1 "$work/backup.bin" >/dev/null 2>"$work/read.err" || status=$?
check "config read 1 into a file" "$([[ $status -eq 0 && -s "$work/backup.bin" ]]; echo $?)"
# A changed page, so that the read after the write shows the write took place.
printf 'KarvelM default link test page' >"$work/page.bin"
cp "$work/backup.bin" "$work/changed.bin"
client file page "$work/changed.bin" 5 "$work/page.bin" --format bin >/dev/null
status=0
client config write 1 "$work/changed.bin" >/dev/null 2>"$work/write.err" || status=$?
check "config write 1 from that file with a page changed" "$([[ $status -eq 0 ]]; echo $?)"
status=0
client config read 1 "$work/again.bin" --restart >/dev/null 2>"$work/again.err" || status=$?
check "the configuration read again is the file written, not the one first read" \
  "$([[ $status -eq 0 ]] && cmp -s "$work/changed.bin" "$work/again.bin" &&
     ! cmp -s "$work/backup.bin" "$work/again.bin"; echo $?)"

status=0
client firmware update "$work/images/UpdateKarvel" --restart --json >"$work/update.json" \
  2>"$work/update.err" || status=$?
check "firmware update from a file: $(cat "$work/update.json")" \
  "$([[ $status -eq 0 ]] && grep -q '"restarted": 1' "$work/update.json"; echo $?)"
status=0
client identify --json >"$work/after.json" 2>/dev/null || status=$?
check "the module runs its firmware again after the update" \
  "$([[ $status -eq 0 ]] && grep -q '"state": "firmware"' "$work/after.json"; echo $?)"

status=0
client bus scan --json >"$work/scan.json" 2>"$work/scan.err" || status=$?
check "bus scan lists the panel and the external modules" \
  "$([[ $status -eq 0 ]] && grep -q '"panel": {' "$work/scan.json" &&
     grep -q '"name": "RK-' "$work/scan.json"; echo $?)"

# The desktop program, offscreen, from a fresh settings file that chose Ethernet at the default
# address. It keeps the file beside its executable when that folder is writable, so a copy of
# the program runs from a folder of its own; HOME and the XDG folders point into the test's
# folder too.
mkdir -p "$work/app" "$work/home/.config" "$work/run"
chmod 700 "$work/run"
cp "$app" "$work/app/KarvelMcfg"
printf '[Settings]\ninterface=2\nip=%s\ndisable_select_dialog=1\n' "$module_address" \
  >"$work/app/KarvelMcfg.ini"
"${limit[@]}" ip netns exec "$client_ns" env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen KARVELM_STATUS_PROBE="подключен" \
  "$work/app/KarvelMcfg" >"$work/app.out" 2>"$work/app.err" &
desktop=$!
pids+=("$desktop")
for _ in $(seq 600); do
  kill -0 "$desktop" 2>/dev/null || break
  sleep 0.1
done
status=0
if kill -0 "$desktop" 2>/dev/null; then
  status=124
  kill "$desktop"
fi
wait "$desktop" || status=$?
check "KarvelMcfg on Ethernet reads \"подключен\" within a few ticks ($(paste -sd, "$work/app.out"))" \
  "$([[ $status -eq 0 ]] && grep -qx 'status: подключен' "$work/app.out"; echo $?)"
check "KarvelMcfg kept its Ethernet choice in the settings file" \
  "$(grep -qx 'interface=2' "$work/app/KarvelMcfg.ini" && grep -qx "ip=$module_address" "$work/app/KarvelMcfg.ini"; echo $?)"

# The simulator ends cleanly only when it saw no protocol violation.
kill -INT "$simulator"
status=0
wait "$simulator" || status=$?
check "karvelm-sim saw no protocol violation" "$([[ $status -eq 0 ]]; echo $?)"

if ((failures)); then
  for log in "$work"/*.err; do
    [[ -s "$log" ]] && { echo "--- $(basename "$log")"; cat "$log"; }
  done
  exit 1
fi
echo "all checks passed"
