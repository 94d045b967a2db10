#!/usr/bin/env bash
# End to end under Xvfb, once in German and once in French: the program started in the locale's
# language opens the windows whose texts are longest, so that the screenshots show whether every
# text fits its control: the main window with every section open at its default size and at
# 800x480, the main menu, a button's function menu, the shortcut dialog, the rules dialog, the macro and pattern
# libraries, a message box, About and the no-mouse page. Each window must show in its language
# (its title is the language file's); screenshots go to the artefacts folder as
# language-e2e-<language>-<window>.png.
# usage: language_e2e.sh PROGRAM_DIR VIRTUAL_DRIVER_DIR SEND_COMMAND PROBE ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
virtual_dir=$2
send=$3
probe_tool=$4
artifacts=$5
mkdir -p "$artifacts"
rm -f "$artifacts"/language-e2e-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"

language=
fail() {
  echo "language e2e ($language): $*" >&2
  import -window root "$artifacts/language-e2e-failure.png" || true
  describe_program "$kestrin_pid" >&2
  exit 1
}
shot() { sleep 0.3; import -window root "$artifacts/language-e2e-$language-$1.png"; }

# A text of the language in use, as its file has it (the entities XML needs undone).
text_of() {
  local text
  text=$(sed -n "s|^  <Text id=\"$1\">\(.*\)</Text>\$|\1|p" "$program/res/lan.$language.xml")
  [[ -n $text ]] || fail "lan.$language.xml has no $1"
  sed "s/&lt;/</g; s/&gt;/>/g; s/&quot;/\"/g; s/&apos;/'/g; s/&amp;/\\&/g" <<<"$text"
}
# The program's visible window titled so (xdotool's --name cannot match past ASCII), on stdout.
titled() {
  local id
  for id in $(xdotool search --onlyvisible --class kestrin 2>/dev/null); do
    [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && { echo "$id"; return 0; }
  done
  return 1
}
window_count() { (xdotool search --onlyvisible --class kestrin || true) | wc -l; }
more_windows() { [[ $(window_count) -gt $windows_before ]]; }
fewer_windows() { [[ $(window_count) -le $windows_before ]]; }
park_pointer() { xdotool mousemove 5 5; sleep 0.15; }

# Where the main window's controls are, from the probe given the window's size and the state
# this script put the page into.
size=()
state=()
locate() { # locate NAME: the middle of a control of the main window, into cx and cy
  local x y w h
  read -r x y w h < <("$probe_tool" "$program/res/" "${size[@]}" "${state[@]}" at "$1") ||
    fail "the probe cannot reach $1 (state: ${state[*]})"
  cx=$((origin_x + x + w / 2))
  cy=$((origin_y + y + h / 2))
}
click() { locate "$1"; xdotool mousemove --sync "$cx" "$cy" click 1; }
in_window() { # in_window TITLE LAYOUT NAME: the middle of a dialog's control, into cx and cy
  local x y w h dialog
  dialog=$(titled "$1")
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  read -r x y w h < <("$probe_tool" "$program/res/" layout "$2" at "$3") ||
    fail "the probe cannot reach $3 in $2"
  cx=$((X + x + w / 2))
  cy=$((Y + y + h / 2))
}
click_in() { in_window "$@"; xdotool mousemove --sync "$cx" "$cy" click 1; }
scroll_settings() { # top|end, with the wheel over the column's scroll bar
  local x y w h button=5
  [[ $1 == top ]] && button=4
  read -r x y w h < <("$probe_tool" "$program/res/" "${size[@]}" "${state[@]}" bar ms_1_ver_setting) ||
    fail "the settings column has no scroll bar"
  xdotool mousemove --sync $((origin_x + x + w / 2)) $((origin_y + y + h / 2))
  xdotool click --repeat 40 --delay 10 $button
  state+=(scroll ms_1_ver_setting "$1")
  park_pointer
}
# Opens or folds a section; the probe follows with the same words.
section() { # section HEADER CONTAINER 0|1
  local shown=hide
  [[ $3 == 1 ]] && shown=show
  click "$1"
  state+=(check "$1" "$3" "$shown" "$2")
  park_pointer
}
# The main window at its size, page by page from the top of the settings column to its end.
main_window_shots() { # main_window_shots NAME
  local x y w h cx cy cw ch page=1 look previous=
  scroll_settings top
  read -r x y w h < <("$probe_tool" "$program/res/" "${size[@]}" "${state[@]}" bar ms_1_ver_setting)
  read -r cx cy cw ch < <("$probe_tool" "$program/res/" "${size[@]}" "${state[@]}" at ms_1_ver_setting)
  while ((page <= 12)); do
    # The column alone tells whether the wheel moved it (the battery ring turns while charging).
    look=$(import -window root -crop "${cw}x${ch}+$((origin_x + cx))+$((origin_y + cy))" png:- | md5sum)
    [[ $look != "$previous" ]] || break
    previous=$look
    shot "$1-$page"
    xdotool mousemove --sync $((origin_x + x + w / 2)) $((origin_y + y + h / 2))
    xdotool click --repeat 6 --delay 30 5
    park_pointer
    page=$((page + 1))
  done
  scroll_settings end
}

mouse start --plug cable --status-interval 0 --background >/dev/null || fail "the virtual mouse did not start"
for language in de fr; do
  locale=${language}_$(tr a-z A-Z <<<"$language").UTF-8
  LANG=$locale "$program/kestrin" &
  kestrin_pid=$!
  wait_for 20 titled "$(text_of mouse_name_text)" || fail "the main window never showed"
  main=$(titled "$(text_of mouse_name_text)")
  eval "$(xdotool getwindowgeometry --shell "$main")"
  origin_x=$X origin_y=$Y default_w=$WIDTH default_h=$HEIGHT
  size=() state=()
  park_pointer

  # A button's function menu, then the shortcut dialog through it.
  scroll_settings end
  section ms_1_check_button ms_1_hor_button 1
  scroll_settings end
  windows_before=$(window_count)
  click ms_1_btn_key_4
  wait_for 5 more_windows || fail "the function menu did not open"
  park_pointer
  shot function-menu
  xdotool key Escape
  wait_for 5 fewer_windows || fail "the function menu stayed open"
  # The shortcut item, reached with the arrow keys from the function a first start gives button
  # 4 (DPI cycle), as the menu's layout orders its items.
  click ms_1_btn_key_4
  wait_for 5 more_windows || fail "the function menu did not open again"
  items=$(grep -o 'QPushButton" name="ms_1_[a-z_]*"' "$program/res/MS/MS_1/ms_1_menu.xml" |
    sed 's/.*name="//; s/"$//')
  steps=$(($(grep -n -x ms_1_shortcut <<<"$items" | cut -d: -f1) -
    $(grep -n -x ms_1_dpi_cycle <<<"$items" | cut -d: -f1)))
  ((steps > 0)) || fail "the menu no longer lists the shortcut item after DPI cycle"
  xdotool key --delay 20 $(printf "Down %.0s" $(seq 1 "$steps"))
  xdotool key Return
  wait_for 5 titled "$(text_of shortcut_title_text)" || fail "the shortcut dialog did not open"
  park_pointer
  shot shortcut-dialog
  click_in "$(text_of shortcut_title_text)" shortcut.xml btn_cancel
  wait_for 5 fewer_windows || fail "the shortcut dialog stayed open"

  # The two libraries.
  click ms_1_btn_macro
  wait_for 5 titled "$(text_of macro_title_text)" || fail "the macro library did not open"
  park_pointer
  shot macro-library
  click_in "$(text_of macro_title_text)" MS/MS_1/ms_1_macropage.xml btn_exit
  wait_for 5 fewer_windows || fail "the macro library stayed open"
  click ms_1_btn_gun
  wait_for 5 titled "$(text_of gun_title_text)" || fail "the pattern library did not open"
  click_in "$(text_of gun_title_text)" MS/MS_1/gunpage.xml add_btn
  park_pointer
  shot pattern-library
  click_in "$(text_of gun_title_text)" MS/MS_1/gunpage.xml btn_exit
  wait_for 5 fewer_windows || fail "the pattern library stayed open"

  # A message box: the question before a profile is deleted, answered Cancel.
  scroll_settings top
  windows_before=$(window_count)
  click ms_1_profile_delete_btn
  wait_for 5 titled "$(text_of warning_title_text)" || fail "the delete question did not show"
  park_pointer
  shot message-box
  click_in "$(text_of warning_title_text)" msg.xml btn_cancel
  wait_for 5 fewer_windows || fail "the delete question stayed open"

  # The programs that switch to the profile.
  windows_before=$(window_count)
  click ms_1_profile_auto_btn
  wait_for 5 titled "$(text_of autoswitch_title_text)" || fail "the rules dialog did not show"
  park_pointer
  shot autoswitch-dialog
  click_in "$(text_of autoswitch_title_text)" autoswitch.xml btn_close
  wait_for 5 fewer_windows || fail "the rules dialog stayed open"

  "$send" "menu about" || fail "the instance socket did not take About"
  wait_for 5 titled "$(text_of about_title_text)" || fail "About did not show"
  park_pointer
  shot about
  click_in "$(text_of about_title_text)" about.xml btn_ok
  wait_for 5 fewer_windows || fail "About stayed open"

  # The window's menu.
  windows_before=$(window_count)
  click main_menu_btn
  wait_for 5 more_windows || fail "the window's menu did not open"
  park_pointer
  shot main-menu
  xdotool key Escape
  wait_for 5 fewer_windows || fail "the window's menu stayed open"

  # Every section open: the sensor with its rows and the power section are opened too.
  scroll_settings end
  section ms_1_check_mouse_attribute ms_1_ver_mouse_attribute 1
  for sub in lift_of_distance key_debounce ripple_control angle_snap motion_sync; do
    scroll_settings end
    section ms_1_check_$sub ms_1_hor_$sub 1
  done
  scroll_settings end
  section ms_1_check_power ms_1_ver_power 1
  main_window_shots main
  xdotool windowsize --sync "$main" 800 480
  size=(size 800 480)
  main_window_shots main-800x480
  xdotool windowsize --sync "$main" "$default_w" "$default_h"
  size=()
  sleep 0.5

  # No tray here: with the mouse gone the window shows what to plug in.
  mouse unplug cable >/dev/null
  sleep 1.5
  shot no-mouse
  xdotool windowsize --sync "$main" 800 480
  shot no-mouse-800x480
  mouse plug cable >/dev/null
  exit_through_tray "$send"
  rm -rf "$program/Data"
  echo "language e2e: $language shown, screenshots in $artifacts"
done
echo "language e2e: ok"
