#!/usr/bin/env bash
# kestrinctl's bash completion, as bash calls it: commands, options, link names, the profile
# names of the data folder for export, use, run and rules add, the rules' programs for rules
# remove, *.pro files, and autostart's on and off.
# usage: completion_test.sh COMPLETION_FILE KESTRINCTL MAKE_PROFILE
set -euo pipefail
completion=$1
kestrinctl=$2
make_profile=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$(dirname "$kestrinctl"):$PATH"
export XDG_RUNTIME_DIR=$work # no running copy is ever seen

source "$completion"
complete_words() { # the words typed, the last one being completed
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _kestrinctl
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() { # expect WHAT GOT WANTED
  [[ $2 == "$3" ]] || { echo "completion: $1: got '$2', wanted '$3'" >&2; exit 1; }
}

expect "commands" "$(complete_words kestrinctl "")" \
  "--help apply autostart export import list reports rules run show status use "
expect "a command's start" "$(complete_words kestrinctl ex)" "export "
expect "list's options" "$(complete_words kestrinctl list --)" "--data --json "
expect "links" "$(complete_words kestrinctl reports x.pro --link "")" "ble cable receiver "
expect "rules' actions" "$(complete_words kestrinctl rules "")" "add list remove "
expect "rules' options" "$(complete_words kestrinctl rules list --)" "--data --json "
expect "a command after run's --" "$(complete_words kestrinctl run Profile1 -- kestrinc)" "kestrinctl "
expect "autostart's choices" "$(complete_words kestrinctl autostart "")" "off on "
expect "nothing after autostart's choice" "$(complete_words kestrinctl autostart on "")" " "

# Profile names, spaces and all, from the data folder --data names.
mkdir -p "$work/Data"
"$make_profile" "$work/blank.pro"
kestrinctl import "$work/blank.pro" --data "$work/Data" >/dev/null
printf 'x' >"$work/other.txt"
mkdir "$work/folder"
names=$(kestrinctl list --data "$work/Data" | cut -c3- | sort | tr '\n' ' ')
[[ -n $names ]] || { echo "completion: no profiles to complete" >&2; exit 1; }
expect "profile names" "$(complete_words kestrinctl export --data "$work/Data" "")" "$names"
expect "profile names to use" "$(complete_words kestrinctl use --data "$work/Data" "")" "$names"
expect "nothing after the profile to use" "$(complete_words kestrinctl use --data "$work/Data" Profile1 "")" " "
expect "profile names to run with" "$(complete_words kestrinctl run --data "$work/Data" "")" "$names"
expect "profile names for a rule" "$(complete_words kestrinctl rules add --data "$work/Data" quake3 "")" "$names"
expect "nothing for a rule's program" "$(complete_words kestrinctl rules add --data "$work/Data" "")" " "
kestrinctl rules add "Web Browser" Profile1 --data "$work/Data" >/dev/null
expect "programs to remove" "$(complete_words kestrinctl rules remove --data "$work/Data" "")" "Web Browser "
expect "a file after the profile" "$(complete_words kestrinctl export --data "$work/Data" Profile1 "$work/b")" \
  "$work/blank.pro "
expect "profile files and folders" "$(complete_words kestrinctl import "$work/")" \
  "$work/Data $work/blank.pro $work/folder "
echo "completion: as expected"
