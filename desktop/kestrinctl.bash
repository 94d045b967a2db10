# bash completion for kestrinctl: its commands and options, the profile names of the data
# folder for show, use, export, run and rules add, the programs of the rules for rules remove,
# *.pro files, commands after run's --, and on or off for autostart.

_kestrinctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local command=${COMP_WORDS[1]-} data=() i
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == --data ]] && data=(--data "${COMP_WORDS[i + 1]-}")
  done
  case $prev in
    --data)
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    --link)
      mapfile -t COMPREPLY < <(compgen -W "cable receiver ble" -- "$cur")
      return
      ;;
  esac
  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "list show use apply status export import rules run reports autostart --help" -- "$cur")
    return
  fi
  if [[ $command == run && $prev == -- ]]; then
    mapfile -t COMPREPLY < <(compgen -c -- "$cur")
    return
  fi
  if [[ $cur == -* ]]; then
    local options=(--data)
    case $command in
      list | show | status | rules) options+=(--json) ;;
      run) options+=(--) ;;
      reports) options=(--link) ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "${options[*]}" -- "$cur")
    return
  fi
  # The words so far that are not options or their values.
  local words=0
  for ((i = 2; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --data | --link) ((i++)) ;;
      -*) ;;
      *) ((words++)) ;;
    esac
  done
  local rule=${COMP_WORDS[2]-}
  if [[ $command == rules && $rule == remove ]] && ((words == 1)); then
    local programs
    programs=$(kestrinctl rules list "${data[@]}" 2>/dev/null | sed 's/ = .*//')
    local IFS=$'\n'
    mapfile -t COMPREPLY < <(compgen -W "$programs" -- "$cur")
    return
  fi
  if { [[ $command =~ ^(export|show|use|run)$ ]] && ((words == 0)); } ||
    { [[ $command == rules && $rule == add ]] && ((words == 2)); }; then
    local names
    names=$(kestrinctl list "${data[@]}" 2>/dev/null | cut -c3-)
    local IFS=$'\n'
    mapfile -t COMPREPLY < <(compgen -W "$names" -- "$cur")
    return
  fi
  case $command in
    autostart)
      ((words == 0)) && mapfile -t COMPREPLY < <(compgen -W "on off" -- "$cur")
      ;;
    rules)
      ((words == 0)) && mapfile -t COMPREPLY < <(compgen -W "list add remove" -- "$cur")
      ;;
    export | import | reports)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -X '!*.[pP][rR][oO]' -- "$cur"; compgen -d -- "$cur")
      ;;
  esac
}
complete -F _kestrinctl kestrinctl
