#!/usr/bin/env bash
# What the real program costs while nobody uses it: CPU time and wake-ups (context switches)
# over a quiet interval under Xvfb, with a virtual mouse on the cable, charging or full, the
# window shown or hidden into the tray (a notification area, trayer, runs beside it). The mouse
# sends nothing unasked (no periodic status), so whatever wakes the program is its own.
# Targets: shown and charging < 0.5 % CPU; hidden, the UI thread (where every timer of ours
# runs) never wakes. Two peers, measured in the same run and painting over the X socket as the
# program does, show what Qt itself costs to animate the ring: the ring alone in a bare window
# (bench_repaint_floor) and the skin's main window with nothing behind it, its ring stepped as
# the charging animation steps it (bench_window_floor --charging). Target: shown and charging
# <= 1.0 x the second, the same frame in the same window.
# usage: bench/idle.sh BUILD_DIR [SECONDS]   (SECONDS per case, 60 unless told)
set -euo pipefail
export LC_ALL=C

build=$(realpath "${1:?usage: idle.sh BUILD_DIR [SECONDS]}")
seconds=${2:-60}

if [[ -z "${KESTRIN_BENCH_INNER:-}" ]]; then
  KESTRIN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" "$build" "$seconds"
fi

fail() { echo "idle: $*" >&2; exit 1; }
command -v trayer >/dev/null || fail "trayer is missing (make deps installs it)"
send=$build/tests/kestrin_send_command
probe=$build/tests/kestrin_page_probe
floor=$build/bench/bench_repaint_floor
window_floor=$build/bench/bench_window_floor

# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"
bench_runtime
program=$runtime/program
bench_program "$program"
mouse() { "$program/kestrin-virtual-mouse" --folder "$program" "$@" >/dev/null; }
kestrin_pid= tray_pid= floor_pid=
finish() {
  [[ -n $kestrin_pid ]] && kill "$kestrin_pid" 2>/dev/null && wait "$kestrin_pid" 2>/dev/null
  [[ -n $floor_pid ]] && kill "$floor_pid" 2>/dev/null
  [[ -n $tray_pid ]] && kill "$tray_pid" 2>/dev/null
  mouse stop 2>/dev/null || true
  rm -rf "$runtime"
}
trap finish EXIT

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
tray_pid=$!
wait_for 10 xdotool search --class trayer || fail "the notification area did not start"
mouse start --plug cable --status-interval 0 --background || fail "the virtual mouse did not start"
"$program/kestrin" >/dev/null 2>&1 &
kestrin_pid=$!
shown() { xdotool search --onlyvisible --name '^Kestrin$'; }
wait_for 20 shown || fail "the main window never showed"
wait_for 20 "$send" "apply wait" || fail "the program never answered its instance socket"

hide() { # the close button, which hides the window into the tray
  local window x y w h X Y
  window=$(shown | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^[XY]=')"
  read -r x y w h < <("$probe" "$program/res/" at exit_btn) || fail "the probe cannot reach exit_btn"
  xdotool mousemove --sync $((X + x + w / 2)) $((Y + y + h / 2)) click 1 mousemove 5 5
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Kestrin\$'" || fail "the window did not hide"
}
show() {
  "$send" show || fail "the instance socket did not take 'show'"
  wait_for 10 shown || fail "the window did not show again"
}

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/${1:-$kestrin_pid}/stat"; }
# One line per thread: "tid name switches".
thread_switches() {
  local task
  for task in /proc/"$kestrin_pid"/task/*; do
    awk -v tid="${task##*/}" -v name="$(tr ' ' _ <"$task/comm")" \
      '/^(non)?voluntary_ctxt_switches/ {n += $2} END {print tid, name, n}' "$task/status" 2>/dev/null || true
  done | sort -k1,1
}

# measure CASE: one quiet interval; appends "CASE cpu% switches/s ui-thread/s" to the results
# and keeps each thread's switches/s in $runtime/CASE.threads.
measure() {
  sleep 7 # what the change set off is over: a battery report restarts a 6 s watchdog
  local c0 c1 before=$runtime/$1.before after=$runtime/$1.after
  c0=$(cpu_ticks); thread_switches >"$before"
  sleep "$seconds"
  c1=$(cpu_ticks); thread_switches >"$after"
  # Threads that came and went in between are not counted; their CPU time is.
  join "$before" "$after" | awk -v s="$seconds" '{d = $5 - $3; if (d > 0) printf "%s %.2f\n", $2, d / s}' |
    sort -k2 -nr >"$runtime/$1.threads"
  join "$before" "$after" | awk -v case="$1" -v s="$seconds" -v pid="$kestrin_pid" \
    -v cpu=$(((c1 - c0) * 100000 / ticks)) \
    '{d = $5 - $3; all += d; if ($1 == pid) ui = d}
     END {printf "%s %.3f %.2f %.2f\n", case, cpu / 1000 / s, all / s, ui / s}' >>"$runtime/results"
}

mouse battery 40 charging
measure shown-charging
mouse battery 100 full
measure shown-full
hide
mouse battery 40 charging
measure hidden-charging
mouse battery 100 full
measure hidden-full
show
"$send" "menu exit" || fail "the instance socket did not take the exit"
wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the program did not end"
kestrin_pid=

# measure_floor NAME COMMAND...: the CPU share of a peer over the same interval, once its window
# shows.
measure_floor() {
  local name=$1 c0 c1
  shift
  "$@" >/dev/null 2>&1 &
  floor_pid=$!
  wait_for 20 xdotool search --onlyvisible --pid "$floor_pid" || fail "$name's window never showed"
  sleep 2
  c0=$(cpu_ticks "$floor_pid")
  sleep "$seconds"
  c1=$(cpu_ticks "$floor_pid")
  kill "$floor_pid"
  wait "$floor_pid" 2>/dev/null || true
  floor_pid=
  awk -v n="$name" -v d=$((c1 - c0)) -v t="$ticks" -v s="$seconds" \
    'BEGIN {printf "%s %.3f\n", n, d * 100 / t / s}' >>"$runtime/floors"
}
measure_floor ring "$floor"
measure_floor window "$window_floor" --charging "$build/bin/res/"

echo "idle: $seconds s per case; the virtual mouse on the cable, silent unless asked"
printf '  %-16s %7s %12s %12s\n' case "CPU %" "wake-ups/s" "UI thread/s"
while read -r label cpu all ui; do
  printf '  %-16s %7.2f %12.1f %12.2f\n' "$label" "$cpu" "$all" "$ui"
done <"$runtime/results"
for label in shown-charging shown-full hidden-charging hidden-full; do
  threads=$(awk '{printf "%s%s %.2f/s", sep, $1, $2; sep = ", "}' "$runtime/$label.threads")
  printf '  %-16s by thread: %s\n' "$label" "${threads:-none woke}"
done
ring_cpu=$(awk '$1 == "ring" {print $2}' "$runtime/floors")
window_cpu=$(awk '$1 == "window" {print $2}' "$runtime/floors")
printf '  %-16s %7.2f   (the ring alone in a bare Qt window, stepped every 30 ms)\n' floor "$ring_cpu"
printf '  %-16s %7.2f   (the skin'"'"'s main window alone, its ring stepped the same way)\n' \
  "window floor" "$window_cpu"
awk -v ring="$ring_cpu" -v window="$window_cpu" '
  $1 == "shown-charging" {shown = $2}
  $1 ~ /^hidden/ {hidden += $4}
  END {
    printf "  target: shown, charging < 0.50 %% CPU: %.2f %% (%s)\n", shown, (shown < 0.5 ? "met" : "missed")
    ratio = (window > 0 ? shown / window : 0)
    printf "  target: shown, charging <= 1.0 x the window floor: %.2f x (%s); %.2f x the ring alone\n", ratio, (window > 0 && ratio <= 1.0 ? "met" : "missed"), (ring > 0 ? shown / ring : 0)
    printf "  target: hidden, no wake-up of the UI thread: %.2f/s (%s)\n", hidden / 2, (hidden == 0 ? "met" : "missed")
  }' "$runtime/results"
echo "  (QXcbEventQueue is Qt's reader of the X connection: it wakes for what the X server sends,"
echo "  here the replies to the painting of the ring; no other thread of ours waits on a timer)"
