#!/usr/bin/env bash
# A manual page renders without warnings and documents what the program's --help lists: every
# option and, for karvelm, every command.
#   check_man_page.sh PAGE PROGRAM
set -uo pipefail
page=$1
program=$2
faults=0

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [[ -n $warnings ]]; then
  echo "$page: rendering warnings:" >&2
  echo "$warnings" >&2
  faults=$((faults + 1))
fi

# One long line a paragraph, so that no name is broken across lines.
text=$(LC_ALL=C MANWIDTH=2000 man -l "$page" 2>/dev/null | col -b)
help=$("$program" --help) || { echo "$program --help failed" >&2; exit 1; }
while read -r name; do
  [[ -z $name ]] && continue
  if ! grep -qF -- "$name" <<<"$text"; then
    echo "$page: does not mention '$name' of $(basename "$program") --help" >&2
    faults=$((faults + 1))
  fi
done < <(
  grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u
  # Command rows: two spaces, then the command words (lower case) before the arguments.
  sed -n 's/^  \([a-z][a-z]*\( [a-z][a-z]*\)\{0,1\}\)\( .*\)\{0,1\}$/\1/p' <<<"$help" | sort -u
)
((faults == 0)) || exit 1
echo "$page: renders cleanly and covers $(basename "$program") --help"
