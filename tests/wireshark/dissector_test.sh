#!/usr/bin/env bash
# Captures real traffic between karvelm and karvelm-sim and checks what the Wireshark
# dissector makes of it under tshark: the header of every packet, the command names, the
# matching of replies and data packets to their requests, and the payload fields against the
# values the tool itself reported and the sizes of the transfers.
#
# The programs and the capture run in a private network namespace that holds nothing but its
# own loopback interface, so the capture sees this test's datagrams alone and nothing can
# leave the machine.
#
# usage: dissector_test.sh KARVELM KARVELM_SIM DISSECTOR.lua
set -euo pipefail

if [[ "${1:-}" == "--inside" ]]; then
  # In the private namespace: capture while the tool talks to the simulator.
  karvelm=$2 sim=$3 work=$4
  ip link set lo up
  pids=()
  cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  }
  trap cleanup EXIT

  # Time limits below the test's own, so that nothing outlives a run killed from outside.
  timeout 150 dumpcap -i lo -f udp -w "$work/cap.pcapng" -q 2>"$work/dumpcap.log" &
  pids+=($!)
  capture=$!
  for _ in $(seq 200); do
    grep -q "Capturing on" "$work/dumpcap.log" && break
    kill -0 "$capture" 2>/dev/null || break
    sleep 0.05
  done
  grep -q "Capturing on" "$work/dumpcap.log" || { echo "dumpcap did not start:"; cat "$work/dumpcap.log"; exit 1; }

  # start_sim NAME OPTIONS...: a simulator on a free loopback port, written to NAME.port.
  start_sim() {
    local name=$1 port
    shift
    timeout 150 "$sim" --bind 127.0.0.1 --port 0 "$@" >"$work/$name.out" 2>"$work/$name.err" &
    pids+=($!)
    simulator=$!
    for _ in $(seq 200); do
      grep -q "listening on" "$work/$name.out" && break
      sleep 0.05
    done
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/$name.out")
    [[ -n "$port" ]] || { echo "the simulator did not start:"; cat "$work/$name.out" "$work/$name.err"; exit 1; }
    echo "$port" >"$work/$name.port"
  }
  run() {  # run NAME ARGUMENTS...: karvelm against the simulator NAME
    local port
    port=$(cat "$work/$1.port")
    shift
    "$karvelm" --ip 127.0.0.1 --port "$port" --local-port 0 "$@"
  }

  start_sim sim
  run sim identify --json >"$work/identify.json"
  run sim bus read 167602 3 --json >"$work/bus.json"
  run sim bus scan --json >"$work/scan.json"
  run sim dac correct 3 + >/dev/null
  run sim dac show --json >"$work/dac.json"
  run sim config read 1 "$work/config.bin" >/dev/null
  # Without the backup read and the check read, the capture holds one configuration read.
  run sim config write 1 "$work/config.bin" --restart --no-backup --no-verify >/dev/null
  # The simulator ends cleanly only when it saw no protocol violation.
  kill -INT "$simulator"
  status=0
  wait "$simulator" || status=$?
  [[ $status -eq 0 ]] || { echo "karvelm-sim exit status $status:"; cat "$work/sim.err"; exit 1; }

  # Modules that answer wrongly: the outcome of the tool does not matter here, only what the
  # dissector makes of the packets.
  start_sim failing --status-ff 1
  run failing identify >/dev/null 2>&1 || true
  start_sim badsum --bad-checksum
  run badsum identify >/dev/null 2>&1 || true
  start_sim badlength --bad-length
  run badlength identify >/dev/null 2>&1 || true

  # Let the capture take the last datagrams, then end it.
  sleep 0.3
  kill -INT "$capture"
  wait "$capture" || true
  exit 0
fi

karvelm=$(realpath "$1")
sim=$(realpath "$2")
dissector=$(realpath "$3")
for tool in tshark dumpcap unshare ip; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/ensure-packages.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT
namespace=(unshare --net)
[[ $(id -u) -eq 0 ]] || namespace=(unshare --map-root-user --net)
if ! "${namespace[@]}" bash "$0" --inside "$karvelm" "$sim" "$work"; then
  echo "FAIL: the capture could not be made in a private network namespace"
  exit 1
fi
port=$(cat "$work/sim.port")

failures=0
check() {  # check DESCRIPTION CONDITION-STATUS
  if [[ $2 -eq 0 ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    failures=$((failures + 1))
  fi
}

# One line per packet, of every simulator's traffic. Run as root, tshark warns on stderr; the
# output is read from stdout.
fields=(frame.number karvelm.direction karvelm.type karvelm.command karvelm.seq karvelm.status
        karvelm.checksum.status karvelm.request_in karvelm.identity karvelm.version.text
        karvelm.bus.address karvelm.bus.count karvelm.bus.word karvelm.storage.address
        karvelm.storage.length karvelm.data.length karvelm.total_length karvelm.length
        udp.srcport udp.dstport karvelm.failure karvelm.checksum.bad karvelm.malformed
        karvelm.ext.net_address karvelm.dac.correction karvelm.panel.console
        karvelm.panel.registers)
args=()
for field in "${fields[@]}"; do args+=(-e "$field"); done
for name in sim failing badsum badlength; do args+=(-d "udp.port==$(cat "$work/$name.port"),karvelm"); done
tshark -X lua_script:"$dissector" -r "$work/cap.pcapng" -T fields -E separator='|' \
  -E occurrence=a "${args[@]}" >"$work/all.txt" 2>"$work/tshark.err" || { cat "$work/tshark.err"; exit 1; }
if grep -v -i "running as user\|dangerous" "$work/tshark.err" | grep -q .; then
  echo "tshark reported:"
  cat "$work/tshark.err"
  check "tshark loads the dissector without errors" 1
fi
P=$port awk -F'|' '$19 == ENVIRON["P"] || $20 == ENVIRON["P"]' "$work/all.txt" >"$work/decoded.txt"
packets=$(tshark -r "$work/cap.pcapng" -Y "udp.port==$port" 2>/dev/null | wc -l)

# Fields by column, in the order above: 1 frame, 2 direction, 3 type, 4 command, 5 seq,
# 6 status, 7 checksum status, 8 request frame, 9 identity, 10 version, 11 bus address,
# 12 word count, 13 words, 14 storage address, 15 block length, 16 data length, 17 announced
# length, 18 length field, 19 and 20 UDP ports, 21 failure, 22 bad checksum and 23 malformed
# flags, 24 network address, 25 DAC corrections, 26 and 27 the panel's flags. tshark prints the
# octal fields (11, 13) in decimal.
q() { awk -F'|' "$1" "$work/decoded.txt"; }

decoded=$(wc -l <"$work/decoded.txt")
check "every one of the $packets datagrams is decoded ($decoded)" "$([[ $packets -gt 100 && $decoded -eq $packets ]]; echo $?)"
check "every header checksum is good and every packet names its command" \
  "$(q '$7 != "1" || $4 == "" || $4 ~ /unknown|\?/ { bad++ } END { exit bad > 0 }'; echo $?)"
check "the module answers every packet with the sequence number of the request it names" \
  "$(q '$2 == "to module" { s[$1] = $5; c[$1] = $4 }
        $2 == "from module" && (!($8 in s) || s[$8] != $5 || c[$8] != $4) { bad++ }
        END { exit bad > 0 }'; echo $?)"
check "no failure status in a clean exchange" "$(q '$6 != "" && $6 != "0x00" { bad++ } END { exit bad > 0 }'; echo $?)"
check "the length field of every command and reply covers its header and payload" \
  "$(q '$3 == 1 && ($18 < 12 || $18 > 1068) { bad++ } END { exit bad > 0 }'; echo $?)"

# identify: the application's identity, and the version the tool printed.
fw_version=$(sed -n 's/.*"firmware_version": "\([0-9.]*\)".*/\1/p' "$work/identify.json")
check "identify: cmdIdentify answered with 0x3b07 and cmdGetVersion with $fw_version" \
  "$(V=$fw_version q '$4 == "cmdIdentify" && $2 == "from module" && $9 == "0x3b07" { id = 1 }
        $4 == "cmdGetVersion" && $2 == "from module" && $10 == ENVIRON["V"] { ver = 1 }
        $4 == "cmdGetOtherVersion" && $2 == "from module" && $10 != "" { other = 1 }
        END { exit !(id && ver && other && ENVIRON["V"] != "") }'; echo $?)"

# bus read 167602 3: the request's octal address and count, the words as the tool printed them.
tool_words=$(grep -o '"words": \[[^]]*\]' "$work/bus.json" | grep -o '"[0-7]*"' | tr -d '"' |
  while read -r w; do echo $((8#$w)); done | paste -sd,)
dissected_words=$(q '$4 == "cmdReadBus" && $3 == 2 { print $13; exit }')
check "cmdReadBus: address 167602, 3 words" \
  "$(q '$4 == "cmdReadBus" && $2 == "to module" && $11 == 61314 && $12 == 3 { ok = 1 }
        END { exit !ok }'; echo $?)"
check "cmdReadBus data: the words the tool printed ($tool_words = $dissected_words)" \
  "$([[ -n "$tool_words" && "$tool_words" == "$dissected_words" ]]; echo $?)"

# bus scan: the external modules' network addresses and versions, the panel, as the tool listed
# them (the DAC commands after it ask for the modules again).
tool_modules=$(grep -o '"address": [0-9]*, "version": "[0-9.]*"' "$work/scan.json" |
  sed 's/"address": \([0-9]*\), "version": "\(.*\)"/\1 \2/' | paste -sd,)
dissected_modules=$(q '$4 == "cmdGetExtModule" && $2 == "from module" && $24 != "0x00000000" {
                         print $24 " " $10 }' | while read -r a v; do echo "$((a)) $v"; done |
  head -n "$(tr ',' '\n' <<<"$tool_modules" | wc -l)" | paste -sd,)
check "cmdGetExtModule replies: the modules the tool listed ($dissected_modules)" \
  "$([[ -n "$tool_modules" && "$tool_modules" == "$dissected_modules" ]]; echo $?)"
panel_version=$(grep -o '"panel": {[^}]*' "$work/scan.json" | sed -n 's/.*"version": "\([0-9.]*\)".*/\1/p')
check "cmdGetPanelLink reply: console, panel registers and version $panel_version" \
  "$(V=$panel_version q '$4 == "cmdGetPanelLink" && $2 == "from module" && $26 == 1 && $27 == 1 &&
                         $10 == ENVIRON["V"] { ok = 1 } END { exit !ok }'; echo $?)"
check "cmdGetPanelStats and cmdGetExtModuleStats are answered" \
  "$(q '$4 ~ /^cmdGet(Panel|ExtModule)Stats$/ && $2 == "from module" { if (!($4 in n)) kinds++; n[$4]++ }
        END { exit kinds != 2 }'; echo $?)"

# dac correct 3 +, dac show: the table written and the table read back, as the tool printed it.
tool_dac=$(sed -n 's/.*"corrections": \[\([^]]*\)\].*/\1/p' "$work/dac.json" | tr -d ' ')
read_dac=$(q '$4 == "cmdGetDacCorrection" && $2 == "from module" { t = $25 } END { print t }')
written_dac=$(q '$4 == "cmdSetDacCorrection" && $2 == "to module" { t = $25 } END { print t }')
check "DAC corrections written and read back as the tool printed them ($tool_dac)" \
  "$([[ $tool_dac =~ [1-9] && "$read_dac" == "$tool_dac" && "$written_dac" == "$tool_dac" ]]; echo $?)"

# config read 1: into the bootloader, then the stored blocks.
check "config read: cmdEnterLoader, then the bootloader's identity 0x3b04" \
  "$(q '$4 == "cmdEnterLoader" && $2 == "to module" { enter = $1 }
        enter && $4 == "cmdIdentify" && $9 == "0x3b04" { loader = 1 }
        END { exit !(enter && loader) }'; echo $?)"
opened=$(q '$4 == "cmdOpenRead" && $2 == "to module" { n++; sum += $15 } END { print n "/" sum }')
read_data=$(q '$4 == "cmdReadNext" && $2 == "from module" && $3 == 2 { n++; sum += $16;
                 if ($16 > max) max = $16 } END { print sum "/" max }')
check "cmdOpenRead: 19 blocks of 132128 bytes in all ($opened)" "$([[ $opened == 19/132128 ]]; echo $?)"
check "cmdReadNext data: 132128 bytes in chunks of at most 1052 ($read_data)" \
  "$([[ $read_data == 132128/1052 ]]; echo $?)"
check "cmdOpenRead storage addresses decoded" \
  "$(q '$4 == "cmdOpenRead" && $2 == "to module" && $14 ~ /^0x[0-9a-f]+$/ { n++ } END { exit n != 19 }'; echo $?)"

# config write 1: the announced length, the data packets and their acknowledgements.
written=$(q '$4 == "cmdWriteConfig" && $2 == "to module" && $3 == 1 { total = $17 }
             $4 == "cmdWriteConfig" && $2 == "to module" && $3 == 2 { n++; sum += $16 }
             $4 == "cmdWriteConfig" && $2 == "from module" && $3 == 1 { acks++ }
             END { print total "/" sum "/" n + 1 "/" acks }')
IFS=/ read -r total sum sent acks <<<"$written"
check "cmdWriteConfig: $total bytes announced, $sum sent in data packets, each acknowledged ($acks of $sent)" \
  "$([[ -n "$total" && $total -gt 0 && $total == "$sum" && $sent == "$acks" ]]; echo $?)"
check "config write --restart ends with cmdRestart" \
  "$(q '$4 == "cmdRestart" && $2 == "to module" { ok = 1 } END { exit !ok }'; echo $?)"

# Modules that answer wrongly: from NAME CONDITION counts the packets simulator NAME sent, and
# of them those that meet the awk CONDITION.
from() {
  P=$(cat "$work/$1.port") awk -F'|' "\$19 == ENVIRON[\"P\"] { n++; if ($2) hit++ } END { print hit + 0 \"/\" n + 0 }" "$work/all.txt"
}
result=$(from failing '$6 == "0xff" && $21 != ""')
check "a failure status is shown and flagged ($result answers, 1 of them expected)" \
  "$([[ $result =~ ^1/([2-9]|[0-9]{2,})$ ]]; echo $?)"
every() { [[ $1 =~ ^[1-9][0-9]*/ && ${1%/*} == "${1#*/}" ]]; }
result=$(from badsum '$7 == "0" && $22 != ""')
check "a wrong checksum field is found bad ($result answers)" "$(every "$result"; echo $?)"
result=$(from badlength '$23 != "" && $7 == ""')
check "a length field beyond the datagram is flagged malformed ($result answers)" \
  "$(every "$result"; echo $?)"

# The packet tree as a reader sees it.
tshark -X lua_script:"$dissector" -r "$work/cap.pcapng" -d "udp.port==$port,karvelm" \
  -Y 'karvelm.command == "cmdGetVersion" && karvelm.direction == "from module"' -O karvelm \
  2>/dev/null >"$work/tree.txt"
check "the packet tree shows the checksum check, the status and the version word with its text" \
  "$(grep -q 'Checksum status: Good' "$work/tree.txt" && grep -q 'Status: 0x00 (success)' "$work/tree.txt" &&
     grep -q "Version word: 0x[0-9a-f]* ($fw_version)" "$work/tree.txt"; echo $?)"

if ((failures)); then
  echo "$failures check(s) failed; the decoded packets:"
  head -n 60 "$work/decoded.txt"
  exit 1
fi
echo "all checks passed"
