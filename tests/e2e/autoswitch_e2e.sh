#!/usr/bin/env bash
# End to end under Xvfb and openbox: a program's window that stays in front makes its rule's
# profile current, and the mouse gets it; another program's brings back the profile chosen;
# raising five windows in turn faster than the settle time sends nothing; a dialog of Kestrin's
# open holds a switch back until it closes; the rules dialog adds the program whose window is
# clicked.
# usage: autoswitch_e2e.sh PROGRAM_DIR VIRTUAL_DRIVER_DIR SEND_COMMAND PROBE ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
virtual_dir=$2
send_command=$3
probe_tool=$4
artifacts=$5
mkdir -p "$artifacts"
rm -f "$artifacts"/autoswitch-e2e-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"

kestrin_pid=
fail() {
  echo "autoswitch e2e: $*" >&2
  import -window root "$artifacts/autoswitch-e2e-failure.png" || true
  describe_program "$kestrin_pid" >&2
  cp "$runtime/trace.log" "$artifacts/autoswitch-e2e-trace.log" || true
  print_trace "$runtime/trace.log" 30 >&2
  exit 1
}
shot() { sleep 0.3; import -window root "$artifacts/autoswitch-e2e-$1.png"; }
send() { "$send_command" "$@"; }
ctl() { "$program/kestrinctl" "$@"; }

extra_pids=()
end_all() {
  ((${#extra_pids[@]} == 0)) || kill "${extra_pids[@]}" 2>/dev/null || true
  end_program_folder
}
trap end_all EXIT

openbox >"$runtime/wm.log" 2>&1 &
extra_pids+=($!)
wm_running() { [[ $(xprop -root _NET_SUPPORTING_WM_CHECK) == *'window id'* ]]; }
wait_for 20 wm_running || fail "openbox did not start: $(cat "$runtime/wm.log")"

mouse start --plug cable --status-interval 0 --background >/dev/null || fail "the virtual mouse did not start"
start_kestrin() {
  QT_LOGGING_RULES="kestrin.trace.debug=true" "$program/kestrin" 2>"$runtime/trace.log" &
  kestrin_pid=$!
  wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the main window never showed"
  window=$(xdotool search --onlyvisible --name '^Kestrin$' | head -1)
  wait_for 10 test -s "$store" || fail "no pro.data was made"
}

# --- A second profile, on another DPI stage, and its rule ------------------------------------------
start_kestrin
exit_through_tray "$send_command"
kestrin_pid=
ctl export Profile1 "$runtime/one.pro" >/dev/null || fail "kestrinctl export failed"
# The current stage, 0-based, at its offset in the record: the mouse must be told of it.
printf '\x03' | dd of="$runtime/one.pro" bs=1 seek=2356 conv=notrunc status=none
imported=$(ctl import "$runtime/one.pro") || fail "kestrinctl import failed"
game_profile=$(sed -E "s/^imported as '([^']*)'.*/\1/" <<<"$imported")
[[ -n $game_profile && $game_profile != Profile1 ]] || fail "the import said: $imported"
ctl use Profile1 >/dev/null || fail "kestrinctl use failed"
ctl rules add gametwo "$game_profile" >/dev/null || fail "kestrinctl rules add failed"

start_kestrin
profile_is() { [[ $(ctl status --json) == *"\"profile\": \"$1\""* ]]; }
wait_for 10 profile_is Profile1 || fail "Profile1 is not current at the start: $(ctl status --json)"

# --- Programs, each a window of its own class --------------------------------------------------------
# Right of the main window (centred, 800 wide): a click on one reaches it, not Kestrin.
game_window=()
top=0
for name in gameone gametwo gamethree gamefour gamefive; do
  xmessage -name "$name" -geometry 200x60+1060+$top "$name" &
  top=$((top + 100))
  extra_pids+=($!)
  wait_for 10 xdotool search --onlyvisible --classname "^$name\$" || fail "$name's window never showed"
  game_window+=("$(xdotool search --onlyvisible --classname "^$name\$" | head -1)")
done
raise() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowactivate "$1"; }
# An apply takes a few seconds (the mouse's own pauses): its writes are over once the log
# holds still.
log_still() {
  local before
  before=$(mouse log | wc -l)
  sleep 1
  [[ $(mouse log | wc -l) -eq $before ]]
}

# The rule's program in front: its profile, sent to the mouse.
raise "${game_window[0]}"
sleep 1
wait_for 15 log_still || fail "the mouse is written to without end"
mouse clear-log >/dev/null
raise "${game_window[1]}"
wait_for 5 profile_is "$game_profile" || fail "gametwo in front did not make $game_profile current: $(ctl status --json)"
wrote() { [[ $(mouse log | wc -l) -gt 0 ]]; }
wait_for 5 wrote || fail "the switch to $game_profile sent nothing to the mouse"
[[ $(ctl status --json) == *'"untaken": false'* ]] || fail "the switch did not reach the mouse: $(ctl status --json)"
shot switched
grep -q "automatic switch to \"$game_profile\" (gametwo)" "$runtime/trace.log" ||
  fail "the trace does not tell the switch for gametwo"

# Another program in front: the profile chosen comes back.
raise "${game_window[0]}"
wait_for 5 profile_is Profile1 || fail "gameone in front did not bring Profile1 back: $(ctl status --json)"
wait_for 15 log_still || fail "the mouse is written to without end"

# Through five windows faster than the settle time, ending where no rule is: nothing is sent.
mouse clear-log >/dev/null
for index in 2 1 3 4 0; do
  raise "${game_window[$index]}"
  sleep 0.08
done
sleep 1.5
[[ $(mouse log | wc -l) -eq 0 ]] || fail "raising windows in passing sent $(mouse log | wc -l) writes"
profile_is Profile1 || fail "raising windows in passing switched: $(ctl status --json)"

# A dialog of Kestrin's open holds the switch back. Closing it moves the focus (to no window,
# under openbox), which then decides; the program in front again switches as before.
send "menu about" >/dev/null || fail "About did not open"
about_open() { xdotool search --onlyvisible --name '^About' >/dev/null; }
wait_for 10 about_open || fail "About never showed"
about=$(xdotool search --onlyvisible --name '^About' | head -1)
raise "${game_window[1]}"
sleep 1.5
profile_is Profile1 || fail "the switch did not wait for the open dialog: $(ctl status --json)"
grep -q "a switch waits" "$runtime/trace.log" || fail "the trace does not tell of the held switch"
xdotool windowactivate --sync "$about" key Escape 2>/dev/null || xdotool key Escape
about_gone() { ! about_open; }
wait_for 10 about_gone || fail "About did not close"
raise "${game_window[1]}"
wait_for 5 profile_is "$game_profile" || fail "no switch once the dialog closed: $(ctl status --json)"

# --- The rules dialog adds the program whose window is clicked -----------------------------------------
raise "$window"
sleep 1
ctl use Profile1 >/dev/null || fail "kestrinctl use failed"
where() { xdotool getwindowgeometry --shell "$1" | grep -E '^[XY]='; }
click_control() { # click_control WINDOW LAYOUT NAME
  local x y w h X Y
  eval "$(where "$1")"
  if [[ $2 == main.xml ]]; then
    read -r x y w h < <("$probe_tool" "$program/res/" at "$3") || fail "the probe cannot reach $3"
  else
    read -r x y w h < <("$probe_tool" "$program/res/" layout "$2" at "$3") || fail "the probe cannot reach $3 in $2"
  fi
  xdotool mousemove --sync $((X + x + w / 2)) $((Y + y + h / 2)) click 1
}
click_control "$window" main.xml ms_1_profile_auto_btn
dialog_open() { xdotool search --onlyvisible --name '^Switch automatically$' >/dev/null; }
wait_for 10 dialog_open || fail "the rules dialog never mapped"
dialog=$(xdotool search --onlyvisible --name '^Switch automatically$' | head -1)
sleep 0.5
shot dialog
click_control "$dialog" autoswitch.xml btn_rule_pick
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "${game_window[2]}")"
xdotool mousemove --sync $((X + 20)) $((Y + 20)) click 1
# Every one of these windows is of class Xmessage, which names the program.
has_rule() { ctl rules list | grep -q -i '^xmessage *= *Profile1$'; }
wait_for 5 has_rule || fail "the clicked window's program is not a rule: $(ctl rules list)"
shot dialog-added
xdotool windowactivate --sync "$dialog" key Escape 2>/dev/null || xdotool key Escape
dialog_gone() { ! dialog_open; }
wait_for 10 dialog_gone || fail "the rules dialog did not close"
exit_through_tray "$send_command"
echo "autoswitch e2e: passed"
