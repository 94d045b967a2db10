#!/usr/bin/env bash
# End to end under Xvfb: the device page driven with the pointer and the keyboard, as a user
# does, beside a virtual mouse on the cable. Dragging the brightness slider sends one lighting
# report with the new brightness; a DPI press on the mouse selects its stage option and sends
# nothing back; screenshots of every section go to the artefacts folder.
# Where a control sits comes from kestrin_page_probe, which builds the same layout in the state
# this script has put the page into; each step checks what the program did, so a click beside
# its control fails the test instead of passing it.
# usage: page_e2e.sh PROGRAM_DIR VIRTUAL_DRIVER_DIR SEND_COMMAND PROBE ARTIFACTS_DIR
#        (run inside xvfb-run, its server given -noreset)
set -euo pipefail

program_dir=$1
virtual_dir=$2
send=$3
probe_tool=$4
artifacts=$5
mkdir -p "$artifacts"
rm -f "$artifacts"/page-e2e-*.png

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
make_program_folder "$program_dir" "$virtual_dir"

fail() {
  echo "page e2e: $*" >&2
  import -window root "$artifacts/page-e2e-failure.png" || true
  describe_program "$kestrin_pid" >&2
  exit 1
}

brightness_offset=2340
stage_offset=2356
lighting_mode_offset=2380
field_is() { [[ $(profile_field "$1") == "$2" ]]; }

# The mouse's log, one write a line: "cable <hex of every byte> accepted".
reports_with_id() { mouse log | awk -v id="$1" 'substr($2, 1, 2) == id'; }
report_byte() { echo "${1:$((2 * $2)):2}"; } # report_byte HEX INDEX
# Waits until the log has stopped growing for a second.
log_quiet() {
  local before after
  before=$(mouse log | wc -l)
  sleep 1
  after=$(mouse log | wc -l)
  [[ $before == "$after" ]]
}

# --- Where things are --------------------------------------------------------------------------
# The page's state as the probe's words: the sections, rows and scroll position this script has
# brought about, in order.
state=()
probe() { "$probe_tool" "$program/res/" "${state[@]}" "$@"; }
window=
origin_x=0
origin_y=0
locate_window() {
  window=$(xdotool search --onlyvisible --name '^Kestrin$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  origin_x=$X
  origin_y=$Y
}
# The screen point at the middle of a named control, into cx and cy.
locate() {
  local x y w h
  read -r x y w h < <(probe at "$1") || fail "the probe cannot reach $1 (state: ${state[*]})"
  cx=$((origin_x + x + w / 2))
  cy=$((origin_y + y + h / 2))
}
# Off the window, so that nothing shows its hover look. (--sync would wait for a move that does
# not happen when the pointer is parked already.)
park_pointer() { xdotool mousemove 5 5; sleep 0.15; }
click() { # click NAME
  locate "$1"
  xdotool mousemove --sync "$cx" "$cy" click 1
}
# Scrolls the settings column with the mouse wheel over its scroll bar (a wheel over a slider or
# a combo box would change it), far enough to reach the top or the end.
scroll_settings() { # top|end
  local x y w h button=5
  [[ $1 == top ]] && button=4
  read -r x y w h < <(probe bar ms_1_ver_setting) || fail "the settings column has no scroll bar"
  xdotool mousemove --sync $((origin_x + x + w / 2)) $((origin_y + y + h / 2))
  xdotool click --repeat 40 --delay 10 $button
  state+=(scroll ms_1_ver_setting "$1")
  park_pointer
}
# The program's windows on the screen: the main window, and popups, dialogs and the DPI display.
window_count() { (xdotool search --onlyvisible --class kestrin || true) | wc -l; }
more_windows() { [[ $(window_count) -gt $windows_before ]]; }
fewer_windows() { [[ $(window_count) -le $windows_before ]]; }
shot() { sleep 0.3; import -window root "$artifacts/page-e2e-$1.png"; }
pixel() { # pixel FILE X Y -> "srgb(r,g,b)"
  convert "$1" -format "%[pixel:p{$2,$3}]" info:
}
# A point of a stage option that shows its fill, left of its number, into cx and cy.
option_point() {
  locate "ms_1_option_dpi_step_$1"
  cx=$((cx - 9))
}

# --- Start -------------------------------------------------------------------------------------
mouse start --plug cable --status-interval 0 --background >/dev/null || fail "the virtual mouse did not start"
"$program/kestrin" &
kestrin_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the main window never showed"
wait_for 10 test -s "$store" || fail "no pro.data was made"
locate_window
# The first apply sends the saved profile; wait until the mouse has taken all of it.
"$send" apply || fail "the instance socket did not take the apply"
logged_some() { [[ $(mouse log | wc -l) -gt 0 ]]; }
wait_for 20 logged_some || fail "the first apply wrote nothing"
wait_for 20 log_quiet || fail "the first apply never ended"
park_pointer

# --- The steady effect, then a drag of its brightness -------------------------------------------
scroll_settings end
windows_before=$(window_count)
click ms_1_combo_light
wait_for 5 more_windows || fail "the effect list did not open"
park_pointer
shot lighting-effects
xdotool key Home Down Return
wait_for 5 fewer_windows || fail "the effect list stayed open"
state+=(select ms_1_combo_light 1 show ms_1_hor_brightness show ms_1_hor_light_color)
park_pointer
wait_for 5 field_is $lighting_mode_offset 1 || fail "the steady effect was not chosen (mode $(profile_field $lighting_mode_offset))"
steady_landed() {
  local line
  line=$(reports_with_id 05 | tail -1 | awk '{print $2}')
  [[ -n $line && $(report_byte "$line" 3) == 10 ]]
}
wait_for 5 steady_landed || fail "no lighting report for the steady effect"
wait_for 10 log_quiet || fail "the steady effect's apply never ended"
mouse clear-log >/dev/null

# The rows that came in made the column longer: back to its end, where they are.
scroll_settings end
from=$(profile_field $brightness_offset)
to=$((from > 4 ? 3 : 7))
handles=$(probe value ms_1_slider_brightness "$from" handle ms_1_slider_brightness \
  value ms_1_slider_brightness "$to" handle ms_1_slider_brightness) ||
  fail "the probe cannot reach the brightness slider"
read -r x0 y0 x1 y1 <<<"$(echo $handles)"
x0=$((origin_x + x0)); y0=$((origin_y + y0)); x1=$((origin_x + x1)); y1=$((origin_y + y1))
xdotool mousemove --sync "$x0" "$y0" mousedown 1
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove --sync $((x0 + (x1 - x0) * step / 8)) "$y1"
  sleep 0.02
done
xdotool mouseup 1
state+=(value ms_1_slider_brightness "$to")
park_pointer
sleep 0.8 # past the sliders' 500 ms rest
wait_for 5 field_is $brightness_offset "$to" ||
  fail "pro.data holds brightness $(profile_field $brightness_offset), not $to, after the drag"
wait_for 10 log_quiet || fail "the brightness apply never ended"
mouse log >"$runtime/drag.log"
lighting=$(awk 'substr($2, 1, 2) == "05"' "$runtime/drag.log")
[[ $(grep -c . <<<"$lighting") == 1 && -n $lighting ]] ||
  fail "the drag sent $(grep -c . <<<"$lighting") lighting reports: $(cat "$runtime/drag.log")"
hex=$(awk '{print $2}' <<<"$lighting")
nibble=$((16#$(report_byte "$hex" 5) & 0x0F))
[[ $nibble == "$to" ]] || fail "the lighting report carries brightness $nibble, not $to: $hex"
if grep -v ' accepted$' "$runtime/drag.log"; then fail "the mouse refused a write"; fi
echo "page e2e: brightness dragged from $from to $to, sent once: $hex"
shot lighting-steady

# --- A DPI press on the mouse --------------------------------------------------------------------
scroll_settings top
selected=$(($(profile_field $stage_offset) + 1)) # options count from 1
pressed=$((selected == 4 ? 3 : 4))
option_point $selected
sx=$cx sy=$cy
option_point $pressed
px=$cx py=$cy
import -window root "$runtime/before-press.png"
selected_look=$(pixel "$runtime/before-press.png" "$sx" "$sy")
plain_look=$(pixel "$runtime/before-press.png" "$px" "$py")
[[ $selected_look != "$plain_look" ]] || fail "option $selected does not look selected ($selected_look)"
mouse clear-log >/dev/null
windows_before=$(window_count)
mouse dpi $pressed >/dev/null
wait_for 5 more_windows || fail "the DPI display did not show"
wait_for 10 field_is $stage_offset $((pressed - 1)) ||
  fail "pro.data did not take DPI stage $pressed (it holds $(profile_field $stage_offset))"
# The DPI display may cover the page; it goes by itself.
wait_for 10 fewer_windows || fail "the DPI display stayed up"
import -window root "$runtime/after-press.png"
[[ $(pixel "$runtime/after-press.png" "$px" "$py") == "$selected_look" ]] ||
  fail "option $pressed did not become the selected one ($(pixel "$runtime/after-press.png" "$px" "$py"))"
[[ $(pixel "$runtime/after-press.png" "$sx" "$sy") == "$plain_look" ]] ||
  fail "option $selected still looks selected"
[[ -z $(mouse log) ]] || fail "the page sent after the mouse's own DPI press: $(mouse log)"

# Reselecting the selected option sends nothing; another option sends its stage at once.
click ms_1_option_dpi_step_$pressed
park_pointer
sleep 1.2
[[ -z $(mouse log) ]] || fail "reselecting option $pressed sent: $(mouse log)"
import -window root "$runtime/reselected.png"
[[ $(pixel "$runtime/reselected.png" "$px" "$py") == "$selected_look" ]] ||
  fail "a click on the selected option $pressed unselected it"
echo "page e2e: the mouse's DPI press selected option $pressed; nothing was sent back"
click ms_1_option_dpi_step_$selected
park_pointer
stage_sent() {
  local line
  line=$(reports_with_id 04 | tail -1 | awk '{print $2}')
  [[ -n $line && $((16#$(report_byte "$line" 24))) == "$selected" ]]
}
wait_for 5 stage_sent || fail "a click on option $selected sent no stage: $(mouse log)"
wait_for 5 field_is $stage_offset $((selected - 1)) || fail "pro.data did not take the clicked stage"
wait_for 10 log_quiet || fail "the stage apply never ended"
shot dpi

# --- Every section open, one at a time -----------------------------------------------------------
# The pixels of a named control on the screen, as a checksum.
look_of() { # look_of NAME
  local x y w h
  read -r x y w h < <(probe at "$1") || fail "the probe cannot reach $1 (state: ${state[*]})"
  import -window root -crop "${w}x${h}+$((origin_x + x))+$((origin_y + y))" png:- | md5sum
}
# A section header toggles its section; the probe follows with the same words. A header that
# took the click turns its chevron and shows its focus, so a click beside it fails here.
toggle() { # toggle HEADER CONTAINER 0|1 [scrolls]
  local before
  before=$(look_of "$1")
  click "$1"
  state+=(check "$1" "$3")
  if [[ $3 == 1 ]]; then state+=(show "$2"); else state+=(hide "$2"); fi
  # A sensor sub-section scrolls the column to its end as it opens.
  [[ ${4-} == scrolls ]] && state+=(scroll ms_1_ver_setting end)
  park_pointer
  [[ $(look_of "$1") != "$before" ]] || fail "$1 did not take the click"
}
in_view() { # in_view NAME: the opened section shows it
  probe at "$1" >/dev/null || fail "$1 is not in view after opening its section"
}

# The colour dialog over the first stage's swatch; cancelling it sends nothing.
mouse clear-log >/dev/null
windows_before=$(window_count)
click ms_1_btn_dpi_color_1
wait_for 5 more_windows || fail "the colour dialog did not open"
park_pointer
shot dpi-colour-dialog
xdotool key Escape
wait_for 5 fewer_windows || fail "Escape did not close the colour dialog"
sleep 0.5
[[ -z $(mouse log) ]] || fail "cancelling the colour dialog sent: $(mouse log)"

toggle ms_1_check_dpi ms_1_ver_dpi 0
toggle ms_1_check_light ms_1_ver_light 0
in_view ms_1_btn_prate_1
shot report-rate
toggle ms_1_check_prate ms_1_ver_prate 0
toggle ms_1_check_light ms_1_ver_light 1
in_view ms_1_slider_brightness
shot lighting
toggle ms_1_check_light ms_1_ver_light 0
toggle ms_1_check_button ms_1_hor_button 1
shot buttons

# --- A button's function through its menu, and a shortcut through the dialog ---------------------
button_byte() { # button_byte SLOT OFFSET: one byte of a button slot of the current profile
  local index
  index=$(od -An -t d4 -N4 "$store" | tr -d ' ')
  od -An -t u1 -j $((profile_store_header_size + index * profile_record_size + 2468 + 1632 * $1 + $2)) \
    -N1 "$store" | tr -d ' '
}
slot_is() { [[ $(button_byte "$1" 1) == "$2" && $(button_byte "$1" 7) == "$3" && $(button_byte "$1" 3) == "$4" ]]; }
# An item's place in the menu: Down and Up go through the items that can be chosen, in the
# layout's order.
menu_position() {
  local position
  position=$(grep -o 'QPushButton" name="ms_1_[a-z_]*"' "$program/res/MS/MS_1/ms_1_menu.xml" |
    sed 's/.*name="//; s/"$//' | grep -n -x "$1" | cut -d: -f1)
  [[ -n $position ]] || fail "the menu has no item $1"
  echo "$position"
}
# choose ITEM FROM: in the open menu, with the keyboard, from the item it opened on (the button's
# function, or the first item for a function no item chooses)
choose() {
  local steps key=Down
  steps=$(($(menu_position "$1") - $(menu_position "$2")))
  ((steps >= 0)) || { key=Up; steps=$((-steps)); }
  ((steps == 0)) || xdotool key --delay 20 $(printf "$key %.0s" $(seq 1 "$steps"))
  xdotool key Return
}
mouse clear-log >/dev/null
scroll_settings end # the drawing above leaves the buttons below the fold
windows_before=$(window_count)
click ms_1_btn_key_5
wait_for 5 more_windows || fail "the function menu did not open"
park_pointer
shot buttons-menu
choose ms_1_mute ms_1_dpi_cycle
wait_for 5 fewer_windows || fail "the function menu stayed open"
wait_for 5 slot_is 4 71 0 0 || fail "button 5 did not become mute (code $(button_byte 4 1))"

# Ctrl+Shift+S on button 4, pressed through XTEST into the hook library as one chord after the Ctrl
# box was clicked: the chord ticks Shift, and letting the keys go changes nothing.
click ms_1_btn_key_4
wait_for 5 more_windows || fail "the function menu did not open for button 4"
choose ms_1_shortcut ms_1_dpi_cycle
dialog_open() { xdotool search --onlyvisible --name '^Key shortcut$' >/dev/null; }
wait_for 5 dialog_open || fail "the shortcut dialog did not open"
dialog=$(xdotool search --onlyvisible --name '^Key shortcut$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$dialog")"
dialog_click() { # dialog_click NAME
  local x y w h
  read -r x y w h < <("$probe_tool" "$program/res/" layout shortcut.xml at "$1") ||
    fail "the probe cannot reach $1 in the shortcut dialog"
  xdotool mousemove --sync $((X + x + w / 2)) $((Y + y + h / 2)) click 1
}
dialog_click check_flag_1
dialog_click edit_key
sleep 0.3
xdotool key ctrl+shift+s
sleep 0.5
shot shortcut-dialog
dialog_click btn_ok
wait_for 5 fewer_windows || fail "the shortcut dialog stayed open"
park_pointer
wait_for 5 slot_is 3 16 3 22 ||
  fail "button 4 holds code $(button_byte 3 1), modifiers $(button_byte 3 7), key $(button_byte 3 3), not Ctrl+Shift+S"
wait_for 10 log_quiet || fail "the button apply never ended"
current_profile >"$runtime/buttons.pro"
expected=$("$program/kestrinctl" reports "$runtime/buttons.pro" | grep '^083b') ||
  fail "kestrinctl printed no button map"
sent=$(reports_with_id 08 | tail -1 | awk '{print $2}')
[[ $sent == "$expected" ]] || fail "the button map sent ($sent) is not the saved profile's ($expected)"
echo "page e2e: button 5 mute and button 4 Ctrl+Shift+S reached the mouse: $sent"
shot buttons-assigned

# --- A macro recorded through the hook library from XTEST keys and clicks, then assigned ---------
editor_open() { xdotool search --onlyvisible --name '^Macro library$' >/dev/null; }
in_window() { # in_window TITLE LAYOUT NAME: the screen point of a dialog's control, into cx and cy
  local x y w h dialog
  dialog=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  read -r x y w h < <("$probe_tool" "$program/res/" layout "$2" at "$3") ||
    fail "the probe cannot reach $3 in $2"
  cx=$((X + x + w / 2))
  cy=$((Y + y + h / 2))
}
in_editor() { in_window 'Macro library' MS/MS_1/ms_1_macropage.xml "$1"; }
window_titled() { xdotool search --onlyvisible --name "^$1\$" >/dev/null; }
# In a selection dialog: its list's first row (22 pixels high below the list's 4-pixel padding),
# a screenshot, then OK.
choose_first_row() { # choose_first_row TITLE LAYOUT SHOT
  local list_y
  wait_for 5 window_titled "$1" || fail "the selection dialog $1 did not open"
  in_window "$1" "$2" list_macro
  read -r _ list_y _ _ < <("$probe_tool" "$program/res/" layout "$2" at list_macro)
  xdotool mousemove --sync "$cx" $((Y + list_y + 15)) click 1
  sleep 0.3
  shot "$3"
  in_window "$1" "$2" btn_ok
  xdotool mousemove --sync "$cx" "$cy" click 1
  wait_for 5 fewer_windows || fail "the selection dialog $1 stayed open"
}
macro_store=$program/Data/ms_1/macro.data
locate ms_1_btn_macro
xdotool mousemove --sync "$cx" "$cy" click 1
wait_for 5 editor_open || fail "the macro library did not open"
park_pointer
shot macro-editor
in_editor ms_1_macro_record_btn
record_x=$cx record_y=$cy
xdotool mousemove --sync "$record_x" "$record_y" click 1
wait_for 5 test -s "$macro_store" || fail "recording made no macro"
# Away from the record button the clicks count; the pointer rests on the bare desktop. The side
# buttons are X buttons 1 (8) and 2 (9), which the mouse plays as 0xF5 and 0xF4.
park_pointer
xdotool key a
xdotool click 1
xdotool key b
xdotool click 8
sleep 0.5
shot macro-recording
# On the record button only its own left click, the one that stops, is left out once the window
# has seen the pointer come in.
xdotool mousemove --sync "$record_x" "$record_y"
sleep 0.3
xdotool click 9
sleep 0.3
xdotool click 1
# 240 bytes a macro: the count at 52, the actions from 56 as key, kind and a 16-bit pause.
stored_actions() { od -An -t x1 -j 52 -N 44 -v "$macro_store" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
recorded='0a 00 00 00 04 01 0a 00 04 02 0a 00 f1 01 0a 00 f1 02 0a 00 05 01 0a 00 05 02 0a 00'
recorded+=' f5 01 0a 00 f5 02 0a 00 f4 01 0a 00 f4 02 01 00'
recorded_all() { [[ $(stored_actions) == "$recorded" ]]; }
wait_for 5 recorded_all ||
  fail "macro.data holds '$(stored_actions)', not the recorded a, click, b, X1 and X2 clicks with 10 ms pauses"
echo "page e2e: recorded a, a left click, b and both side buttons through the hook library"
shot macro-recorded
in_editor btn_exit
xdotool mousemove --sync "$cx" "$cy" click 1
wait_for 5 fewer_windows || fail "the macro library stayed open"
park_pointer

mouse clear-log >/dev/null
click ms_1_btn_key_6
wait_for 5 more_windows || fail "the function menu did not open for button 6"
choose ms_1_select_macro ms_1_click
choose_first_row MS_1_SelectMacro MS/MS_1/selectmacro.xml macro-select
wait_for 5 slot_is 5 17 0 0 || fail "button 6 holds code $(button_byte 5 1), not the macro"
wait_for 10 log_quiet || fail "the macro apply never ended"
current_profile >"$runtime/macro.pro"
expected=$("$program/kestrinctl" reports "$runtime/macro.pro" | grep '^09' | sort) ||
  fail "kestrinctl printed no macro download"
sent=$(reports_with_id 09 | awk '{print $2}' | sort)
[[ $sent == "$expected" ]] || fail "the macro download sent ($sent) is not the saved profile's ($expected)"
# A click is two entries of the pause (bit 7 set for a release) and the key: X button 1's click,
# then X button 2's.
[[ $sent =~ 0af5[89a-f][0-9a-f]f50af4[89a-f][0-9a-f]f4 ]] ||
  fail "the macro download has no click of 0xF5 then 0xF4: $sent"
echo "page e2e: the recorded macro reached the mouse on button 6: $sent"
macro_report=$sent

# --- A recoil pattern of 30 shots, typed and stepped in its editor, then assigned ---------------
patterns_open() { xdotool search --onlyvisible --name '^Recoil patterns$' >/dev/null; }
in_patterns() { in_window 'Recoil patterns' MS/MS_1/gunpage.xml "$1"; }
click_in_patterns() { in_patterns "$1"; xdotool mousemove --sync "$cx" "$cy" click 1; }
locate ms_1_btn_gun
xdotool mousemove --sync "$cx" "$cy" click 1
wait_for 5 patterns_open || fail "the pattern library did not open"
click_in_patterns add_btn
gun_store=$program/Data/ms_1/gun.data
wait_for 5 test -s "$gun_store" || fail "adding a pattern saved nothing"
click_in_patterns edit_zidan_x_1
xdotool key ctrl+a type 12
click_in_patterns edit_zidan_y_2
xdotool key ctrl+a type -- -7
xdotool key Tab
click_in_patterns zidan_delay_up_btn_1
# 476 bytes a pattern: the count at 100, the shots from 116 as x, y, 2 reserved bytes and the pause.
stored_shots() { od -An -t d4 -j 116 -N 24 -v "$gun_store" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
pause_one() { od -An -t u2 -j 126 -N 2 "$gun_store" | tr -d ' '; }
typed_in() { [[ $(stored_shots) == "12 0 $(((6 << 16))) 0 -7 $((5 << 16))" ]]; }
wait_for 5 typed_in || fail "gun.data holds shots '$(stored_shots)', not x 12 with 6 ms, then y -7"
park_pointer
shot pattern-editor
click_in_patterns btn_exit
wait_for 5 fewer_windows || fail "the pattern library stayed open"
park_pointer

mouse clear-log >/dev/null
click ms_1_btn_key_7
wait_for 5 more_windows || fail "the function menu did not open for button 7"
choose ms_1_select_gun ms_1_backward
choose_first_row MS_1_SelectGun MS/MS_1/selectgun.xml pattern-select
wait_for 30 slot_is 6 18 0 0 || fail "button 7 holds code $(button_byte 6 1), not the pattern"
wait_for 30 log_quiet || fail "the pattern apply never ended"
current_profile >"$runtime/pattern.pro"
# The downloads go out together, the macro's with the pattern's.
expected=$("$program/kestrinctl" reports "$runtime/pattern.pro" | grep '^09' | sort)
sent=$(reports_with_id 09 | awk '{print $2}' | sort)
[[ $(grep -cvxF "$macro_report" <<<"$expected") -gt 1 && $sent == "$expected" ]] ||
  fail "the downloads sent are not the saved profile's: sent $sent, expected $expected"
pattern_reports=$(grep -cvxF "$macro_report" <<<"$sent")
echo "page e2e: the 30-shot pattern reached the mouse on button 7 in $pattern_reports download reports"
scroll_settings top
toggle ms_1_check_button ms_1_hor_button 0

toggle ms_1_check_mouse_attribute ms_1_ver_mouse_attribute 1
shot sensor
for sub in lift_of_distance key_debounce ripple_control angle_snap motion_sync; do
  toggle ms_1_check_$sub ms_1_hor_$sub 1 scrolls
done
in_view ms_1_hor_motion_sync
shot sensor-open
scroll_settings top
toggle ms_1_check_mouse_attribute ms_1_ver_mouse_attribute 0

toggle ms_1_check_power ms_1_ver_power 1
in_view ms_1_slider_sleep_timer
shot power

exit_through_tray "$send"
echo "page e2e: ok"
