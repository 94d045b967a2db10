#!/usr/bin/env bash
# End to end on Wayland: Weston's headless backend (drawn with pixman, so that it can be
# screenshot) and Qt's Wayland platform, no X server at all. The real program beside the virtual
# mouse on the cable: the main window, the DPI display and the About window must each reach the
# screen (the program's trace says when the compositor has shown a window), screenshots of each
# go to the artefacts folder, and the tray's "exit" ends the program with About still open.
# Wayland has no global pointer or key injection and lets no client place its windows; what
# differs from X11 is in the README.
# usage: wayland_e2e.sh PROGRAM_DIR VIRTUAL_DRIVER_DIR SEND_COMMAND ARTIFACTS_DIR
set -euo pipefail

program_dir=$1
virtual_dir=$2
send=$3
artifacts=$4
mkdir -p "$artifacts"
rm -f "$artifacts"/wayland-e2e-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"
for tool in weston weston-screenshooter; do
  command -v "$tool" >/dev/null || { echo "wayland e2e: $tool is missing (make deps installs it)" >&2; exit 1; }
done

weston_pid=
end_all() {
  [[ -n $weston_pid ]] && kill "$weston_pid" 2>/dev/null
  end_program_folder
}
trap end_all EXIT

fail() {
  echo "wayland e2e: $*" >&2
  describe_program "$kestrin_pid" >&2
  print_trace "$runtime/trace" 20 >&2
  echo "--- weston:" >&2
  tail -20 "$runtime/weston.log" >&2 || true
  exit 1
}

# shot NAME: the compositor's own screenshot (allowed by --debug), which must show something.
shot() {
  sleep 0.3
  rm -f "$runtime"/wayland-screenshot-*.png
  (cd "$runtime" && weston-screenshooter) || fail "weston-screenshooter failed"
  local file
  file=$(ls "$runtime"/wayland-screenshot-*.png 2>/dev/null | head -1)
  [[ -n $file ]] || fail "no screenshot was written"
  mv "$file" "$artifacts/wayland-e2e-$1.png"
}

unset DISPLAY
export WAYLAND_DISPLAY=wayland-kestrin
weston --backend=headless-backend.so --use-pixman --width=1280 --height=800 \
  --socket="$WAYLAND_DISPLAY" --debug --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
wait_for 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"

mouse start --plug cable --status-interval 0 --background >/dev/null || fail "the virtual mouse did not start"
# Under AddressSanitizer the program unwinds every allocation with DWARF, slower but whole: Qt's
# Wayland proxies are allocated through libwayland-client, which has no frame pointers, and only a
# whole stack names the Qt functions that lsan.supp suppresses.
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0 \
  QT_QPA_PLATFORM=wayland QT_LOGGING_RULES="kestrin.trace.debug=true" "$program/kestrin" 2>"$runtime/trace" &
kestrin_pid=$!
on_screen() { grep -q "($1) is on screen" "$runtime/trace"; }

wait_for 20 on_screen "VELTRA Kestrin" || fail "the main window never reached the screen"
wait_for 10 test -s "$store" || fail "no pro.data was made"
shot window

mouse dpi 3 >/dev/null
wait_for 10 on_screen DPIWnd || fail "the DPI display never reached the screen"
shot dpi-display

"$send" "menu about" || fail "the instance socket did not take the About command"
wait_for 10 on_screen AboutWnd || fail "the About window never reached the screen"
shot about

# The hook library listens through X, which is not there: the program runs on without it.
kill -0 "$kestrin_pid" || fail "the program ended by itself"
exit_through_tray "$send"
echo "wayland e2e: the window, the DPI display and About reached the screen; the program ended well"
