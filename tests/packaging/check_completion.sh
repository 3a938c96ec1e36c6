#!/usr/bin/env bash
# Sources the bash completion as bash does and completes command lines of the built karvelm.
# The expected subcommands of "config" come from the tool's own --help, so that the check
# follows the commands as they are added.
#   check_completion.sh KARVELM_BINARY COMPLETION_SCRIPT
set -uo pipefail
karvelm_bin=$1
script=$2
completion_lib=/usr/share/bash-completion/bash_completion
[[ -r $completion_lib ]] || { echo "$completion_lib missing (Debian: bash-completion)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/files/backups"
ln -s "$(realpath "$karvelm_bin")" "$work/bin/karvelm"
touch "$work/files/backup.bin" "$work/files/new.upd"
export PATH="$work/bin:$PATH"

# shellcheck disable=SC1090
source "$completion_lib"
source "$script"

# Completes LINE (the cursor at its end) and prints the candidates sorted, one line.
complete_line() {
  COMP_LINE=$1
  COMP_POINT=${#COMP_LINE}
  read -ra COMP_WORDS <<<"$COMP_LINE"
  [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _karvelm karvelm "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

config_subcommands=$(karvelm --help | sed -n 's/^  config \([a-z]*\) .*/\1/p' | sort -u | tr '\n' ' ' |
  sed 's/ $//')
[[ $config_subcommands == *read*write* ]] || { echo "karvelm --help lists no config read/write" >&2; exit 1; }

failures=0
cd "$work/files" || exit 1
# line | expected candidates
while IFS='|' read -r line expected; do
  [[ -z $line ]] && continue
  got=$(complete_line "$line")
  if [[ $got != "$expected" ]]; then
    echo "'$line': expected '$expected', got '$got'" >&2
    failures=$((failures + 1))
  fi
done <<EOF_CASES
karvelm con|config
karvelm config |$config_subcommands
karvelm --ip 127.0.0.1 --port 30001 config |$config_subcommands
karvelm --json bus |read scan write
karvelm --link |udp usb1 usb2
karvelm --link u|udp usb1 usb2
karvelm identify --link usb|usb1 usb2
karvelm --js|--json
karvelm config read |1 2
karvelm config write 2 b|backup.bin backups
karvelm firmware update n|new.upd
karvelm file page backup.bin 3 --format |auto bin lda
karvelm dac correct 3 |+ - 0
karvelm accessory update pa|panel-karvel panel-torsen
karvelm keys |
EOF_CASES

# Every command word and option of --help is offered.
all_commands=$(complete_line "karvelm ")
for word in $(karvelm --help | sed -n 's/^  \([a-z][a-z]*\).*/\1/p' | sort -u); do
  [[ " $all_commands " == *" $word "* ]] || { echo "command '$word' not offered" >&2; failures=$((failures + 1)); }
done
all_options=$(complete_line "karvelm -")
for option in $(karvelm --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p'); do
  [[ " $all_options " == *" $option "* ]] || { echo "option '$option' not offered" >&2; failures=$((failures + 1)); }
done

if ((failures)); then
  echo "$failures completion cases failed" >&2
  exit 1
fi
echo "completion: all cases passed (config: $config_subcommands)"
