#!/usr/bin/env bash
# The udev rule parses and does what the module needs: a hidraw match on both product ids,
# lower-case hex, TAG+="uaccess", and a file number that runs before uaccess is applied (73).
#   check_udev_rule.sh RULES_FILE
set -uo pipefail
rules=$1
faults=()
fault() { faults+=("$*"); }

number=$(basename "$rules" | sed -n 's/^\([0-9][0-9]\)-.*\.rules$/\1/p')
[[ -n $number ]] || fault "file name is not NN-name.rules"
[[ -n $number ]] && ((10#$number >= 73)) && fault "number $number is not below 73 (uaccess is applied at 73)"

# udev's own parser where this udevadm has one (systemd 253 and later).
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify --resolve-names=never "$rules" || fault "udevadm verify refused the file"
fi

# A rule: comma-separated KEY[{attr}] OP "value" items; matches use ==/!=, assignments =/+=/-=/:=.
item='[[:space:]]*([A-Z_]+)(\{[^}]+\})?[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*"([^"]*)"[[:space:]]*'
matches='ACTION DEVPATH KERNEL KERNELS NAME SYMLINK SUBSYSTEM SUBSYSTEMS DRIVER DRIVERS ATTR ATTRS ENV TAG TAGS TEST PROGRAM RESULT'
assigns='NAME SYMLINK OWNER GROUP MODE TAG ENV ATTR RUN LABEL GOTO IMPORT OPTIONS'
declare -A products=()
lineno=0
while IFS= read -r line || [[ -n $line ]]; do
  ((lineno++))
  [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
  rest=$line
  has_uaccess=0 hidraw=0 vendor='' product=''
  while [[ -n $rest ]]; do
    if [[ ! $rest =~ ^$item(,|$)(.*)$ ]]; then
      fault "line $lineno: cannot parse '$rest'"
      break
    fi
    key=${BASH_REMATCH[1]} attr=${BASH_REMATCH[2]} op=${BASH_REMATCH[3]} value=${BASH_REMATCH[4]}
    rest=${BASH_REMATCH[6]}
    if [[ $op == '==' || $op == '!=' ]]; then
      [[ " $matches " == *" $key "* ]] || fault "line $lineno: $key is no match key"
    else
      [[ " $assigns " == *" $key "* ]] || fault "line $lineno: $key cannot be assigned"
    fi
    [[ ($key == ATTRS || $key == ATTR || $key == ENV) && -z $attr ]] && fault "line $lineno: $key needs {name}"
    [[ $key == SUBSYSTEM && $value == hidraw ]] && hidraw=1
    [[ $key == TAG && $op == '+=' && $value == uaccess ]] && has_uaccess=1
    [[ $key == ATTRS && $attr == '{idVendor}' ]] && vendor=$value
    [[ $key == ATTRS && $attr == '{idProduct}' ]] && product=$value
  done
  for id in "$vendor" "$product"; do
    [[ -z $id || $id =~ ^[0-9a-f]{4}$ ]] || fault "line $lineno: id '$id' is not four lower-case hex digits"
  done
  ((hidraw)) || fault "line $lineno: does not match SUBSYSTEM==\"hidraw\""
  ((has_uaccess)) || fault "line $lineno: lacks TAG+=\"uaccess\""
  [[ -n $product ]] && products[$vendor:$product]=1
done <"$rules"

for want in 03eb:6202 03eb:6203; do
  [[ -n ${products[$want]-} ]] || fault "no rule for $want"
done

if ((${#faults[@]})); then
  for f in "${faults[@]}"; do echo "$rules: $f" >&2; done
  exit 1
fi
echo "$rules: ${#products[@]} devices, uaccess, number $number"
