# bash completion for karvelm: commands, subcommands, options, link kinds and file arguments.
# Installed as share/bash-completion/completions/karvelm.
#
# The commands and options are read from `karvelm --help` of the program being completed (once
# a shell), so the completion always matches the installed tool: usage rows such as
# "config read 1|2 FILE" give the words, the choices ("1|2") and where files go.

# Fills _karvelm_rows (usage rows) and _karvelm_options ("--name" or "--name VALUE") once for
# the program $1.
_karvelm_read_help() {
  [[ ${_karvelm_help_of-} == "$1" ]] && return
  _karvelm_rows=()
  _karvelm_options=()
  local line section= usage
  while IFS= read -r line; do
    case $line in
      *"commands:") section=commands ;;
      "Options:") section=options ;;
      "  "[a-z-]*)
        usage=${line#  }
        usage=${usage%%  *}
        if [[ $section == commands ]]; then
          _karvelm_rows+=("$usage")
        elif [[ $section == options && $usage == --* ]]; then
          _karvelm_options+=("$usage")
        fi
        ;;
    esac
  done < <("$1" --help 2>/dev/null)
  _karvelm_help_of=$1
}

# Completes the value of a place-holder: choices "a|b|c", files, folders, accessory targets.
_karvelm_value() {
  local name=$1
  case $name in
    *FILE* | *IMAGE*) _filedir ;;
    FOLDER | DIR*) _filedir -d ;;
    TARGET) COMPREPLY=($(compgen -W 'bosi panel-karvel panel-torsen ext:' -- "$cur")) ;;
    *'|'*)
      [[ $name == *[A-Z]* ]] && return
      COMPREPLY=($(compgen -W "${name//|/ }" -- "$cur"))
      ;;
  esac
}

_karvelm() {
  local cur prev words cword
  _init_completion || return
  _karvelm_read_help "${words[0]}"

  local option
  for option in "${_karvelm_options[@]}"; do
    if [[ $prev == "${option%% *}" && $option == *" "* ]]; then
      _karvelm_value "${option#* }"
      return
    fi
  done
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "${_karvelm_options[*]%% *}" -- "$cur"))
    return
  fi

  # The words so far without the options and their values.
  local i j args=()
  for ((i = 1; i < cword; i++)); do
    if [[ ${words[i]} == -* ]]; then
      for option in "${_karvelm_options[@]}"; do
        if [[ ${words[i]} == "${option%% *}" && $option == *" "* ]]; then
          i=$((i + 1))
          break
        fi
      done
    else
      args+=("${words[i]}")
    fi
  done

  # Candidates for the next word, from every usage row whose words so far agree.
  local row candidates=() place
  for row in "${_karvelm_rows[@]}"; do
    # Option groups such as "[--pair P]" are not positions; "[COUNT]" is one.
    local tokens=() token positions=() skip=0
    read -ra tokens <<<"$row"
    for token in "${tokens[@]}"; do
      if ((skip)); then
        [[ $token == *']' ]] && skip=0
        continue
      fi
      if [[ $token == '[--'* ]]; then
        [[ $token == *']' ]] || skip=1
        continue
      fi
      token=${token#[}
      positions+=("${token%]}")
    done
    ((${#positions[@]} > ${#args[@]})) || continue
    for ((j = 0; j < ${#args[@]}; j++)); do
      place=${positions[j]}
      [[ $place == [a-z]* && $place != *'|'* && $place != "${args[j]}" ]] && continue 2
    done
    candidates+=("${positions[${#args[@]}]}")
  done
  ((${#candidates[@]})) || return

  local plain=() name
  for name in "${candidates[@]}"; do
    if [[ $name == [a-z]* && $name != *'|'* ]]; then
      [[ " ${plain[*]} " == *" $name "* ]] || plain+=("$name")
    else
      _karvelm_value "$name"
      [[ $name == TARGET && ${COMPREPLY[0]-} == ext: ]] && compopt -o nospace
      return
    fi
  done
  COMPREPLY=($(compgen -W "${plain[*]}" -- "$cur"))
} &&
  complete -F _karvelm karvelm
