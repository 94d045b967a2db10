#!/usr/bin/env bash
# End to end under Xvfb: the real program from its program folder, first beside a real
# notification area (trayer). A first start; a click on its tray icon and a second start (which
# exits 1) wake it, and with no mouse it explains so in its message box; the tray's "exit"
# command ends it. A copy that hangs does not swallow a second start, which asks, ends it and
# runs in its place; a quit signal ends the program as "exit" does. Then without a notification
# area: the window shows at once with its no-mouse page, and its close button ends the program.
# Screenshots go to the artefacts folder.
# usage: shell_e2e.sh PROGRAM_DIR SEND_COMMAND PROBE ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
send=$2
probe_tool=$3
artifacts=$4
mkdir -p "$artifacts"
rm -f "$artifacts/shell-e2e-failure.png"

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_runtime
first=
second=
tray=
trap 'kill -9 "$first" $second $tray 2>/dev/null || true; rm -rf "$runtime"' EXIT

fail() {
  echo "e2e: $*" >&2
  import -window root "$artifacts/shell-e2e-failure.png" || true
  describe_program "$first" >&2
  describe_program "$second" >&2
  exit 1
}

start_tray
tray=$tray_pid

# Qt's own options on the command line change nothing: the program takes no command line
# (were -platform obeyed, its answer to the second start below would never reach this X server).
"$program_dir/kestrin" -platform offscreen -reverse -style fusion &
first=$!

# No mouse is reachable: the program runs with its window hidden.
wait_for 20 "$send" apply || fail "the program never answered its instance socket"
sleep 0.5
if xdotool search --onlyvisible --name '^Kestrin$'; then fail "the window showed without a mouse"; fi
kill -0 "$first" || fail "the program ended by itself"

# Its icon sits in the notification area; a click on it, with no mouse, explains in a box.
tray_icon() { # the program's small window docked in the panel
  local w
  for w in $(xdotool search --onlyvisible --class kestrin 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if ((WIDTH <= 64)); then echo "$w"; return 0; fi
  done
  return 1
}
wait_for 10 tray_icon || fail "the tray icon never docked"
eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 10 xdotool search --onlyvisible --name '^Warning$' || fail "a click on the tray icon did not answer"
sleep 0.3
import -window root "$artifacts/shell-tray-click.png"
xdotool key Return
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Warning$"' || fail "the box did not close"
if xdotool search --onlyvisible --name '^Kestrin$'; then fail "the window showed without a mouse"; fi

set +e
timeout 20 "$program_dir/kestrin"
status=$?
set -e
[[ $status == 1 ]] || fail "the second start exited with $status, not 1"

wait_for 10 xdotool search --onlyvisible --name '^Warning$' || fail "the first copy did not answer the second start"
sleep 0.3
import -window root "$artifacts/shell-second-start.png"

"$send" "menu exit" || fail "the instance socket did not take the command"
wait_for 10 bash -c "! kill -0 $first" || fail "the tray's exit did not end the program"
set +e
wait "$first"
status=$?
set -e
[[ $status == 0 ]] || fail "the program ended with $status"

# A hung copy (stopped): the second start asks after five seconds; OK ends the hung copy and
# the second runs in its place.
"$program_dir/kestrin" &
first=$!
wait_for 20 "$send" apply || fail "the first copy never answered"
kill -STOP "$first"
"$program_dir/kestrin" &
second=$!
wait_for 15 xdotool search --onlyvisible --name '^Warning$' || fail "the second start did not ask about the hung copy"
sleep 0.3
import -window root "$artifacts/shell-hung-copy.png"
xdotool key Return
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }
wait_for 10 gone "$first" || fail "the hung copy was not ended"
wait_for 20 "$send" apply || fail "the second start does not run in its place"
kill -0 "$second" || fail "the second start ended"
kill -TERM "$second"
wait_for 10 gone "$second" || fail "a quit signal did not end the program"
set +e
wait "$second"
status=$?
set -e
second=
[[ $status == 0 ]] || fail "the program ended by a quit signal with $status"

# Without its skin the program still starts, runs and can be ended from the tray.
bare=$runtime/bare
mkdir -p "$bare"
cp "$program_dir/kestrin" "$bare/"
"$bare/kestrin" &
first=$!
wait_for 20 "$send" "menu exit" || fail "the program without a skin did not take the exit command"
wait_for 10 bash -c "! kill -0 $first" || fail "the program without a skin did not end"
set +e
wait "$first"
status=$?
set -e
[[ $status == 0 ]] || fail "the program without a skin ended with $status"

# No notification area: the window is the program. It shows at once with its no-mouse page;
# a second start brings it forward rather than a box; its close button ends the program.
kill "$tray"
wait "$tray" 2>/dev/null || true
tray=
"$program_dir/kestrin" &
first=$!
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "without a tray the window never showed"
window=$(xdotool search --onlyvisible --name '^Kestrin$' | head -1)
sleep 0.5
import -window root "$artifacts/shell-no-tray.png"
set +e
timeout 20 "$program_dir/kestrin"
status=$?
set -e
[[ $status == 1 ]] || fail "the second start without a tray exited with $status, not 1"
sleep 0.5
if xdotool search --onlyvisible --name '^Warning$'; then fail "without a tray a box answered the second start"; fi
read -r x y w h < <("$probe_tool" "$program_dir/res/" at exit_btn) || fail "the probe cannot reach exit_btn"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --sync $((X + x + w / 2)) $((Y + y + h / 2)) click 1
wait_for 10 bash -c "! kill -0 $first" || fail "without a tray the close button did not end the program"
set +e
wait "$first"
status=$?
set -e
[[ $status == 0 ]] || fail "the program closed without a tray ended with $status"
echo "e2e: ok"
