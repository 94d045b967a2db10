# bash completion for kestrinctl: its commands and options, the profile names of the data
# folder for show, use and export, *.pro files, and on or off for autostart.

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
    mapfile -t COMPREPLY < <(compgen -W "list show use apply status export import reports autostart --help" -- "$cur")
    return
  fi
  if [[ $cur == -* ]]; then
    local options=(--data)
    case $command in
      list | show | status) options+=(--json) ;;
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
  if [[ $command == export || $command == show || $command == use ]] && ((words == 0)); then
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
    export | import | reports)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -X '!*.[pP][rR][oO]' -- "$cur"; compgen -d -- "$cur")
      ;;
  esac
}
complete -F _kestrinctl kestrinctl
