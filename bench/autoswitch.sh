#!/usr/bin/env bash
# A profile per program, as a user meets it: the time from a program's window raised to the
# mouse holding the profile its rule names, over the cable and the receiver, against the floor
# of the same switch asked for directly (`kestrinctl use`, which returns once the mouse has it);
# the difference is the settle time and what the watching adds to it. Then the program's
# wake-ups while the focus stays, which should be none on its UI thread.
# usage: bench/autoswitch.sh BUILD_DIR [ROUNDS]   (ROUNDS per link, 5 unless told)
set -euo pipefail
export LC_ALL=C

build=$(realpath "${1:?usage: autoswitch.sh BUILD_DIR [ROUNDS]}")
rounds=${2:-5}

if [[ -z "${KESTRIN_BENCH_INNER:-}" ]]; then
  KESTRIN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" "$build" "$rounds"
fi

fail() { echo "autoswitch: $*" >&2; exit 1; }
send=$build/tests/kestrin_send_command

# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"
bench_runtime
export DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/no-session-bus
program=$runtime/program
bench_program "$program" kestrinctl
mouse() { "$program/kestrin-virtual-mouse" --folder "$program" "$@" >/dev/null; }
ctl() { "$program/kestrinctl" "$@"; }
kestrin_pid=
others=()
finish() {
  [[ -n $kestrin_pid ]] && kill "$kestrin_pid" 2>/dev/null && wait "$kestrin_pid" 2>/dev/null
  ((${#others[@]} == 0)) || kill "${others[@]}" 2>/dev/null || true
  mouse stop 2>/dev/null || true
  rm -rf "$runtime"
}
trap finish EXIT

# Timed waits: a switch is seen within 20 ms of its happening.
wait_poll=0.02
now_ms() { date +%s%3N; }

openbox >/dev/null 2>&1 &
others+=($!)
wait_for 20 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "openbox did not start"

start_kestrin() {
  "$program/kestrin" >/dev/null 2>&1 &
  kestrin_pid=$!
  wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the main window never showed"
  wait_for 20 "$send" "apply wait" || fail "the program never answered its instance socket"
}
stop_kestrin() {
  "$send" "menu exit" >/dev/null || fail "the instance socket did not take the exit"
  wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the program did not end"
  wait "$kestrin_pid" 2>/dev/null || true
  kestrin_pid=
}

# A second profile on another DPI stage, and its program's rule.
mouse start --plug cable --status-interval 0 --background || fail "the virtual mouse did not start"
start_kestrin
stop_kestrin
ctl export Profile1 "$runtime/one.pro" >/dev/null
printf '\x03' | dd of="$runtime/one.pro" bs=1 seek=2356 conv=notrunc status=none
game=$(ctl import "$runtime/one.pro" | sed -E "s/^imported as '([^']*)'.*/\1/")
ctl use Profile1 >/dev/null
ctl rules add benchgame "$game" >/dev/null

for name in benchdesk benchgame; do
  xmessage -name "$name" -geometry 200x60+1060+$((${#others[@]} * 100)) "$name" &
  others+=($!)
  wait_for 10 xdotool search --onlyvisible --classname "^$name\$" || fail "$name's window never showed"
done
desk=$(xdotool search --onlyvisible --classname '^benchdesk$' | head -1)
game_window=$(xdotool search --onlyvisible --classname '^benchgame$' | head -1)
profile_is() { [[ $(ctl status --json) == *"\"profile\": \"$1\""* ]]; }
raise() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowactivate "$1"; }

# round LINK: one raise to the game and back, and one direct switch there and back, each timed
# to the mouse holding the profile. Appends "LINK raised_ms direct_ms".
round() {
  local t0 t1 raised direct
  raise "$desk"
  wait_for 10 profile_is Profile1 || fail "the desk's window did not bring Profile1 back"
  ctl apply >/dev/null || fail "kestrinctl apply failed"
  t0=$(now_ms)
  raise "$game_window"
  wait_for 10 profile_is "$game" || fail "the game's window did not make $game current"
  ctl apply >/dev/null || fail "kestrinctl apply failed"
  t1=$(now_ms)
  raised=$((t1 - t0))
  raise "$window"
  ctl use Profile1 >/dev/null
  t0=$(now_ms)
  ctl use "$game" >/dev/null || fail "kestrinctl use failed"
  t1=$(now_ms)
  direct=$((t1 - t0))
  ctl use Profile1 >/dev/null
  echo "$1 $raised $direct" >>"$runtime/results"
}

for link in cable receiver; do
  if [[ $link == receiver ]]; then
    stop_kestrin
    mouse stop
    mouse start --plug receiver --status-interval 0 --background || fail "the virtual mouse did not start"
  fi
  start_kestrin
  [[ $link == receiver ]] && mouse battery 100 full
  window=$(xdotool search --onlyvisible --name '^Kestrin$' | head -1)
  for ((n = 0; n < rounds; ++n)); do round "$link"; done
done

# Wake-ups while the focus stays on the game, the battery full (nothing animates).
mouse battery 100 full
raise "$game_window"
# The switch's apply (seconds over the receiver) and the display's few seconds are over.
sleep 15
switches() {
  awk '/^(non)?voluntary_ctxt_switches/ {n += $2} END {print n}' "/proc/$kestrin_pid/task/$kestrin_pid/status"
}
s0=$(switches)
sleep 20
s1=$(switches)

echo "autoswitch: $rounds rounds per link; time to the mouse holding the profile (median ms)"
printf '  %-9s %10s %10s %8s %16s\n' link raised direct ratio "beyond settle"
for link in cable receiver; do
  awk -v link="$link" '$1 == link {print $2, $3}' "$runtime/results" | sort -n -k1,1 >"$runtime/$link.raised"
  raised=$(awk '{print $1}' "$runtime/$link.raised" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}')
  direct=$(awk '{print $2}' "$runtime/$link.raised" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}')
  awk -v l="$link" -v r="$raised" -v d="$direct" \
    'BEGIN {printf "  %-9s %10d %10d %8.2f %13d ms\n", l, r, d, r / d, r - d - 600}'
done
echo "  the UI thread woke $(awk -v d=$((s1 - s0)) 'BEGIN {printf "%.2f", d / 20}')/s over 20 s with the focus unchanged (target 0)"
