#!/usr/bin/env bash
# End to end under Xvfb, with a session bus of the run's own: the tray on both kinds of panel,
# and a start at login.
# - Beside a StatusNotifierItem host (ours, as the panels of KDE Plasma, XFCE, Cinnamon, MATE and
#   GNOME's AppIndicator extension are to the program): the program registers its icon, the host
#   finds the tray menu's items in the menu the icon exports and chooses Exit, which ends the
#   program well.
# - Beside an XEmbed tray (trayer) on the same bus, with no host: `kestrinctl autostart on`
#   writes an entry desktop-file-validate accepts, which started as a session starts it (gio
#   launch) brings the program up hidden with its icon docked; a right click there shows the
#   skinned menu alone; `autostart off` removes the entry.
# usage: panel_e2e.sh PROGRAM_DIR SEND_COMMAND STATUS_NOTIFIER_HOST ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
send=$2
host=$3
artifacts=$4
mkdir -p "$artifacts"
rm -f "$artifacts"/panel-e2e-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_runtime
kestrin_pid=
host_pid=
bus_pid=
tray_pid=
finish() {
  kill -9 $kestrin_pid $host_pid $tray_pid 2>/dev/null || true
  [[ -n $bus_pid ]] && kill "$bus_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap finish EXIT

fail() {
  echo "e2e: $*" >&2
  import -window root "$artifacts/panel-e2e-failure.png" || true
  describe_program "$kestrin_pid" >&2
  print_trace "$runtime/kestrin.log" 20 >&2
  exit 1
}

# ended_well: the program has gone, with status 0.
ended_well() {
  wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "$1: the program did not end"
  local status=0
  wait "$kestrin_pid" || status=$?
  kestrin_pid=
  ((status == 0)) || fail "$1: the program ended with $status"
}

command -v dbus-daemon >/dev/null || fail "dbus-daemon is missing (make deps installs it)"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/session-bus
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile \
  >"$runtime/bus.log" 2>&1 &
bus_pid=$!
wait_for 10 test -S "$runtime/session-bus" || fail "the session bus did not start"

# A StatusNotifierItem host: the icon exports the tray menu, whose Exit ends the program.
"$host" Exit 30 >"$runtime/host.out" 2>"$runtime/host.err" &
host_pid=$!
wait_for 10 grep -qx ready "$runtime/host.out" || fail "the host did not start: $(cat "$runtime/host.err")"
"$program_dir/kestrin" 2>"$runtime/kestrin.log" &
kestrin_pid=$!
host_status=0
wait "$host_pid" || host_status=$?
host_pid=
((host_status == 0)) || fail "the host: $(cat "$runtime/host.err")"
menu=$(sed -n 2p "$runtime/host.out")
[[ $menu == "Configuration|About Kestrin|-|Exit" ]] || fail "the exported menu holds: $menu"
ended_well "the exported menu's Exit"

# An XEmbed tray on a desktop whose bus has no host, and a start at login.
start_tray
export XDG_CONFIG_HOME=$runtime/config
entry=$XDG_CONFIG_HOME/autostart/org.kestrin.Kestrin.desktop
[[ $("$program_dir/kestrinctl" autostart) == off ]] || fail "autostart is on before it was asked for"
"$program_dir/kestrinctl" autostart on || fail "kestrinctl autostart on failed"
[[ -f $entry ]] || fail "autostart on wrote no $entry"
desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
[[ $("$program_dir/kestrinctl" autostart) == on ]] || fail "autostart does not say it is on"
gio launch "$entry" 2>"$runtime/kestrin.log"
wait_for 20 "$send" apply || fail "the program the entry starts never answered"
# Not a child of this script: found by the runtime folder it was given.
for pid in $(pgrep -x kestrin); do
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "XDG_RUNTIME_DIR=$runtime" &&
    kestrin_pid=$pid
done
[[ -n $kestrin_pid ]] || fail "no program of this run's is found"
[[ $(readlink -f "/proc/$kestrin_pid/exe") == $(readlink -f "$program_dir/kestrin") ]] ||
  fail "the entry started another program"
tray_icon() { # the program's small window docked in the panel
  local w
  for w in $(xdotool search --onlyvisible --class kestrin 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if ((WIDTH <= 64)); then echo "$w"; return 0; fi
  done
  return 1
}
wait_for 10 tray_icon || fail "the icon of a start at login never docked"
if xdotool search --onlyvisible --name '^Kestrin$'; then fail "a start at login showed the window"; fi

# A right click on the docked icon: the skinned menu, and no other beside it.
popups() { # the program's visible windows other than its icon
  local w count=0
  for w in $(xdotool search --onlyvisible --class kestrin 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    ((WIDTH > 64)) && count=$((count + 1))
  done
  echo "$count"
}
eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 10 bash -c "(( \$($(declare -f popups); popups) > 0 ))" || fail "a right click showed no menu"
sleep 0.5
import -window root "$artifacts/panel-e2e-xembed-menu.png"
[[ $(popups) == 1 ]] || fail "a right click showed $(popups) menus"
xdotool key Escape

"$program_dir/kestrinctl" autostart off || fail "kestrinctl autostart off failed"
[[ ! -e $entry ]] || fail "autostart off left $entry"
"$send" "menu exit" || fail "the instance socket did not take the exit"
wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the program started at login did not end"
kestrin_pid=
echo "e2e: ok"
