#!/usr/bin/env bash
# End to end under Xvfb and one window manager (or none): every window the profile section opens,
# and the colour dialog, must be mapped and take input while its modal loop runs. Some window
# managers leave a window unmapped when it is shown, hidden and shown again; the program then
# looks frozen. A screenshot of each dialog goes to the artefacts folder.
# usage: wm_e2e.sh WM PROGRAM_DIR VIRTUAL_DRIVER_DIR PROBE ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
#   WM: none, openbox, icewm, xfwm4, picom (openbox under the picom compositor), or mutter (GNOME's
#   compositing manager, in its X11 mode)
set -euo pipefail

wm=$1
program_dir=$2
virtual_dir=$3
probe_tool=$4
artifacts=$5
mkdir -p "$artifacts"
rm -f "$artifacts"/wm-e2e-"$wm"-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"

kestrin_pid=
windows() { xdotool search --onlyvisible --class kestrin 2>/dev/null | sort || true; }
fail() {
  echo "wm e2e ($wm): $*" >&2
  echo "wm e2e ($wm): the keyboard is with window $(xdotool getwindowfocus 2>/dev/null || echo none)" \
    "($(xdotool getwindowfocus getwindowname 2>/dev/null || true)); the program's windows: $(windows | tr '\n' ' ')" >&2
  import -window root "$artifacts/wm-e2e-$wm-failure.png" || true
  describe_program "$kestrin_pid" >&2
  exit 1
}
shot() { sleep 0.3; import -window root "$artifacts/wm-e2e-$wm-$1.png"; }

# --- The window manager ---------------------------------------------------------------------------
wm_pids=()
end_all() {
  # A manager may be gone already (some re-execute themselves): that is no failure.
  ((${#wm_pids[@]} == 0)) || kill "${wm_pids[@]}" 2>/dev/null || true
  end_program_folder
}
trap end_all EXIT
start() { "$@" >"$runtime/wm.log" 2>&1 & wm_pids+=($!); }
case $wm in
  none) ;;
  openbox) start openbox ;;
  icewm) start icewm ;;
  # xfwm4 reads its settings through xfconf, on a session bus.
  xfwm4) start dbus-run-session -- xfwm4 --compositor=off ;;
  picom)
    start openbox
    start picom --backend xrender
    ;;
  mutter) start dbus-run-session -- mutter --x11 --replace --sm-disable ;;
  *) fail "unknown window manager" ;;
esac
wm_running() { [[ $(xprop -root _NET_SUPPORTING_WM_CHECK) == *'window id'* ]]; }
if [[ $wm != none ]]; then
  command -v "$wm" >/dev/null || fail "$wm is missing (make deps installs it)"
  wait_for 20 wm_running || fail "the window manager did not start: $(cat "$runtime/wm.log")"
fi

# --- The program ------------------------------------------------------------------------------------
mouse start --plug cable --status-interval 0 --background >/dev/null || fail "the virtual mouse did not start"
"$program/kestrin" &
kestrin_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the main window never showed"
wait_for 10 test -s "$store" || fail "no pro.data was made"
window=$(xdotool search --onlyvisible --name '^Kestrin$' | head -1)
# A window manager may still be placing the window: its place is read afresh for every click,
# once it has held still.
where() { xdotool getwindowgeometry --shell "$window" | grep -E '^[XY]='; }
settled() {
  local before
  before=$(where)
  sleep 0.3
  [[ $(where) == "$before" ]]
}
click() { # click NAME: the middle of a control, where the probe places it
  local x y w h X Y
  wait_for 5 settled || fail "the main window does not hold still"
  eval "$(where)"
  read -r x y w h < <("$probe_tool" "$program/res/" at "$1") || fail "the probe cannot reach $1"
  xdotool mousemove --sync $((X + x + w / 2)) $((Y + y + h / 2)) click 1
  xdotool mousemove 5 5
}
current_name() { # the first field of the record: 100 UTF-16 units
  current_profile >"$runtime/current.pro"
  head -c 200 "$runtime/current.pro" | iconv -f UTF-16LE -t UTF-8 | tr -d '\0'
}
name_is() { [[ $(current_name) == "$1" ]]; }

# opens WHAT SHOT CONTROL: clicks the control; a new window of the program must be viewable (a
# window left unmapped is not) and have the keyboard. Its id goes to $dialog.
opens() {
  local before
  before=$(windows)
  click "$3"
  new_window() { [[ -n $(comm -13 <(echo "$before") <(windows)) ]]; }
  wait_for 10 new_window || fail "the $1 never mapped"
  dialog=$(comm -13 <(echo "$before") <(windows))
  dialog=${dialog%%$'\n'*}
  xwininfo -id "$dialog" | grep -q 'Map State: IsViewable' || fail "the $1 is not viewable"
  has_focus() { [[ $(xdotool getwindowfocus) == "$dialog" ]]; }
  if ! wait_for 5 has_focus; then
    # IceWM under load now and then maps a dialog without giving it the keyboard; a click into
    # it (left of its middle, clear of the caption, which would start a move) must then give it,
    # as it would for a user.
    echo "wm e2e ($wm): the $1 came up without the keyboard; clicking it"
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool mousemove --sync $((X + 12)) $((Y + HEIGHT / 2)) click 1 mousemove 5 5
    wait_for 5 has_focus || fail "the $1 does not take the keyboard, even when clicked"
    clicked_into=$dialog
  fi
  shot "$2"
}
clicked_into=
closes() { # closes WHAT KEY: the key has been pressed once
  gone() { ! grep -qx "$dialog" <<<"$(windows)"; }
  if ! wait_for 5 gone && [[ $clicked_into == "$dialog" ]]; then
    # Given the keyboard by a click rather than by the window manager, the program may still
    # have been taking the focus over when the key came; a user would press it again.
    echo "wm e2e ($wm): the $1 stayed after $2 that followed the click; pressing it again"
    xdotool key "$2"
  fi
  wait_for 5 gone || fail "the $1 did not close"
}

first=$(current_name)
opens "new-profile dialog" new-profile ms_1_profile_add_btn
xdotool type --delay 30 "Under $wm"
xdotool key Return
closes "new-profile dialog" Return
wait_for 5 name_is "Under $wm" || fail "the typed name did not make a profile (current: $(current_name))"

opens "rename dialog" rename ms_1_profile_rename_btn
xdotool key ctrl+a
xdotool type --delay 30 "Renamed under $wm"
xdotool key Return
closes "rename dialog" Return
wait_for 5 name_is "Renamed under $wm" || fail "the rename did not take (current: $(current_name))"

opens "delete question" delete ms_1_profile_delete_btn
xdotool key Escape
closes "delete question" Escape
sleep 0.5
name_is "Renamed under $wm" || fail "Escape on the delete question deleted the profile"

opens "export dialog" export ms_1_profile_export_btn
xdotool key Escape
closes "export dialog" Escape

opens "colour dialog" colour ms_1_btn_dpi_color_1
xdotool key Escape
closes "colour dialog" Escape

# The main window takes clicks again: the delete question opens once more, and goes.
opens "second delete question" delete-again ms_1_profile_delete_btn
xdotool key Escape
closes "second delete question" Escape
# The window resizes (its frame is its own, the desktop's resize is asked for at its edges);
# it grows as asked, and tells the desktop the smallest size its layout needs.
size_is() { eval "$(xdotool getwindowgeometry --shell "$window")"; ((WIDTH == $1 && HEIGHT == $2)); }
xdotool windowsize "$window" 1100 740
wait_for 5 size_is 1100 740 || fail "the window did not grow to 1100x740 ($(where | tr '\n' ' '))"
shot resized
xprop -id "$window" WM_NORMAL_HINTS | grep -q 'minimum size: 800 by 480' ||
  fail "the window does not tell the desktop its smallest size, 800x480"
echo "wm e2e ($wm): five dialogs mapped and answered; the profile went from '$first' to '$(current_name)'"
