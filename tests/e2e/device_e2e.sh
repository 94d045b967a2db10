#!/usr/bin/env bash
# End to end under Xvfb: the real program beside the virtual driver libraries and a virtual
# mouse on the cable, the receiver or Bluetooth (the mouse's BlueZ-shaped service on its private
# bus, which the program takes for the system bus). An apply writes exactly what kestrinctl
# computes for the saved profile; a DPI press on the mouse shows the DPI display and lands in
# pro.data; over Bluetooth a battery notification reaches the program; kestrinctl's status, use
# and apply go through the program. Pulling the mouse hides
# the window into the tray over the cable and the receiver; over Bluetooth the desktop has no
# tray, and the window stays with its no-mouse page.
# usage: device_e2e.sh PROGRAM_DIR VIRTUAL_DRIVER_DIR SEND_COMMAND ARTIFACTS_DIR cable|receiver|ble
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
virtual_dir=$2
send=$3
artifacts=$4
link=$5
mkdir -p "$artifacts"
rm -f "$artifacts/device-e2e-$link-failure.png"

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"

# A failure shows the screen and, in the log, the program's state and how its own trace ended
# (a sanitizer's report included).
fail() {
  echo "e2e ($link): $*" >&2
  import -window root "$artifacts/device-e2e-$link-failure.png" || true
  describe_program "$kestrin_pid" >&2
  print_trace "$runtime/trace" 120 >&2
  exit 1
}

# The current profile's DPI stage (0-based).
current_stage() { profile_field 2356; }

[[ $link == ble ]] || start_tray
# Over Bluetooth the mouse's bus listens at a fixed address, so that a mouse started again serves
# the same bus to the program (the address holds no guid, which a new bus would not match).
ble_bus=unix:path=$runtime/ble-bus
mouse_pid=$(mouse start --plug "$link" --status-interval 0 --ble-bus "$ble_bus" --background) ||
  fail "the virtual mouse did not start"
if [[ $link == ble ]]; then
  mouse ble-bus >/dev/null || fail "the virtual mouse has no Bluetooth bus"
  export DBUS_SYSTEM_BUS_ADDRESS=$ble_bus
fi
# The trace tells what the program heard from the mouse.
QT_LOGGING_RULES="kestrin.trace.debug=true" "$program/kestrin" 2>"$runtime/trace" &
kestrin_pid=$!

# With the mouse on a link the window stays up.
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the main window never showed"
wait_for 10 test -s "$store" || fail "no pro.data was made"
# Through the receiver nothing is written until the mouse has reported once; till then the
# page says the mouse is asleep.
if [[ $link == receiver ]]; then
  sleep 0.3
  import -window root "$artifacts/device-e2e-receiver-asleep.png"
  mouse battery 60 >/dev/null
fi

# The first apply sends everything; the mouse logs every write it took.
expected=$(mktemp -p "$runtime")
current_profile >"$runtime/before.pro"
"$program/kestrinctl" reports "$runtime/before.pro" --link "$link" >"$expected" ||
  fail "kestrinctl refused the profile"
count=$(wc -l <"$expected")
"$send" apply || fail "the instance socket did not take the apply"
logged_all() { [[ $(mouse log | wc -l) -ge $count ]]; }
wait_for 30 logged_all || fail "the mouse logged $(mouse log | wc -l) of $count writes"
sleep 1.2 # the last report's pauses; then pro.data has been saved
mouse log >"$runtime/log"
awk '{print $2}' "$runtime/log" >"$runtime/logged"
current_profile >"$runtime/after.pro"
"$program/kestrinctl" reports "$runtime/after.pro" --link "$link" >"$runtime/saved-reports"
diff "$runtime/saved-reports" "$runtime/logged" || fail "the writes differ from the saved profile's reports"
cmp "$runtime/before.pro" "$runtime/after.pro" || fail "the apply changed the profile"
if grep -v ' accepted$' "$runtime/log"; then fail "the mouse refused a write"; fi
sleep 0.2
import -window root "$artifacts/device-e2e-$link-strip.png"

# Over Bluetooth the mouse's notifications reach the program once it has registered (2 s after
# the link came up): a battery status of 57 %.
if [[ $link == ble ]]; then
  heard_battery() { mouse battery 57 >/dev/null && grep -q 'dwLeft = 4010, dwRight = 3900' "$runtime/trace"; }
  wait_for 10 heard_battery || fail "the battery notification never reached the program"
  sleep 0.3
  import -window root "$artifacts/device-e2e-ble-battery.png"
fi

# A DPI press on the mouse: the DPI display opens and pro.data keeps the stage.
stage_before=$(current_stage)
# To a stage the profile is not on: 1..8 on the mouse, 0..7 in the profile.
pressed=$(( stage_before == 2 ? 4 : 3 ))
windows_listed=$(xdotool search --onlyvisible --class kestrin || true)
windows_before=$(echo -n "$windows_listed" | grep -c . || true)
mouse dpi $pressed >/dev/null
stage_is_pressed() { [[ $(current_stage) == $((pressed - 1)) ]]; }
wait_for 10 stage_is_pressed || fail "pro.data did not take DPI stage $pressed (it holds $(current_stage))"
more_windows() { [[ $( (xdotool search --onlyvisible --class kestrin || true) | wc -l) -gt $windows_before ]]; }
wait_for 5 more_windows || fail "the DPI display did not show"
# An on-screen display: the window manager never sees it, so no taskbar lists it.
display=$(comm -13 <(echo "$windows_listed" | sort) <( (xdotool search --onlyvisible --class kestrin || true) | sort) | head -1)
xwininfo -id "$display" | grep -q 'Override Redirect State: yes' ||
  fail "the DPI display is left to the window manager (it would get a taskbar entry)"
sleep 0.2
import -window root "$artifacts/device-e2e-$link-dpi.png"

# kestrinctl through the running program: its status, and `use`, which switches as the profile
# list does and returns once the mouse has the profile: exactly what `reports` prints for it.
ctl() { "$program/kestrinctl" "$@"; }
status=$(ctl status --json) || fail "kestrinctl status failed"
for field in '"running": true' "\"links\": [\"$link\"]" '"profile": "Profile1"'; do
  [[ $status == *"$field"* ]] || fail "kestrinctl status lacks $field: $status"
done
mouse battery 60 >/dev/null # through the receiver, the mouse is awake while it reports
mouse clear-log >/dev/null
used=$(ctl use profile1) || fail "kestrinctl use failed"
[[ $used == "'profile1' is the current profile, and on the mouse" ]] || fail "kestrinctl use said: $used"
ctl export Profile1 "$runtime/used.pro" >/dev/null || fail "kestrinctl export failed"
ctl reports "$runtime/used.pro" --link "$link" >"$runtime/used-reports"
mouse log | awk '{print $2}' >"$runtime/used-logged"
diff "$runtime/used-reports" "$runtime/used-logged" || fail "kestrinctl use wrote other than its reports"
ctl apply >/dev/null || fail "kestrinctl apply failed"
if ctl use Nobody 2>/dev/null; then fail "kestrinctl use took a profile that is not there"; fi

# Over Bluetooth: whatever happened to the link, the mouse ends up with exactly what kestrinctl
# computes for the profile.
links_are() { [[ $(ctl status --json) == *"\"links\": [$1]"* ]]; }
sent_whole_profile() { # sent_whole_profile STEP
  ctl reports "$runtime/used.pro" --link ble >"$runtime/expected-$1"
  local count
  count=$(wc -l <"$runtime/expected-$1")
  wait_for 15 logged_at_least "$count" || fail "$1: the mouse logged $(mouse log | wc -l) of $count writes"
  sleep 1.2 # nothing more follows
  mouse log | awk '{print $2}' >"$runtime/logged-$1"
  diff "$runtime/expected-$1" "$runtime/logged-$1" || fail "$1: the writes differ from the profile's reports"
  if mouse log | grep -v '^ble .* accepted$'; then fail "$1: a write went elsewhere or was refused"; fi
}
logged_at_least() { [[ $(mouse log | wc -l) -ge $1 ]]; }
untaken_is() { [[ $(ctl status --json) == *"\"untaken\": $1"* ]]; }
if [[ $link == ble ]]; then
  # A profile switch while the mouse is away counts as not taken, and goes once it is back.
  mouse unplug ble >/dev/null
  wait_for 10 links_are "" || fail "Bluetooth stayed up without the mouse"
  mouse clear-log >/dev/null
  ctl use profile1 >/dev/null || fail "kestrinctl use failed without the mouse"
  untaken_is true || fail "the switch counts as taken: $(ctl status --json)"
  mouse plug ble >/dev/null
  sent_whole_profile returned
  wait_for 5 untaken_is false || fail "the switch still counts as untaken once the mouse took it"

  # The cable takes over; pulled again, Bluetooth, which BlueZ kept connected, carries on.
  mouse plug cable >/dev/null
  wait_for 10 links_are '"cable"' || fail "the cable did not take over: $(ctl status --json)"
  mouse unplug cable >/dev/null
  wait_for 10 links_are '"ble"' || fail "Bluetooth did not carry on after the cable: $(ctl status --json)"
  sleep 0.3
  import -window root "$artifacts/device-e2e-ble-after-cable.png"
  mouse clear-log >/dev/null
  used=$(ctl use profile1) || fail "kestrinctl use failed over Bluetooth after the cable"
  [[ $used == "'profile1' is the current profile, and on the mouse" ]] || fail "kestrinctl use said: $used"
  sent_whole_profile after-cable

  # The mouse's bus dies; a new mouse serves a new bus at the same address.
  bus_pid=$(pgrep -P "$mouse_pid" -x dbus-daemon) || fail "the virtual mouse's bus is not its child"
  kill "$bus_pid"
  wait_for 10 links_are "" || fail "Bluetooth stayed up with its bus gone: $(ctl status --json)"
  mouse stop >/dev/null
  mouse_pid=$(mouse start --plug ble --status-interval 0 --ble-bus "$ble_bus" --background) ||
    fail "the second virtual mouse did not start"
  wait_for 15 links_are '"ble"' || fail "the program did not follow the new bus: $(ctl status --json)"
  mouse clear-log >/dev/null
  used=$(ctl use profile1) || fail "kestrinctl use failed over the new bus"
  sent_whole_profile new-bus
fi

# Pulling the cable, the receiver or Bluetooth leaves no mouse reachable: the window hides into
# the tray, or without one stays and says so.
mouse unplug "$link" >/dev/null
if [[ $link == ble ]]; then
  sleep 2
  xdotool search --onlyvisible --name '^Kestrin$' >/dev/null || fail "without a tray the window went with the $link"
  import -window root "$artifacts/device-e2e-$link-no-mouse.png"
else
  wait_for 10 bash -c '! xdotool search --onlyvisible --name "^Kestrin$"' || fail "the window stayed up without the $link"
fi

exit_through_tray "$send"
echo "device e2e over the $link: ok"
