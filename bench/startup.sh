#!/usr/bin/env bash
# Cold start to the main window shown, and peak resident memory, of the real program over
# several runs under Xvfb, each against a bare Qt window measured in the same run.
# usage: bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail

build=$(realpath "${1:?usage: startup.sh BUILD_DIR [RUNS]}")
runs=${2:-7}

if [[ -z "${KESTRIN_BENCH_INNER:-}" ]]; then
  # -noreset: between two measured programs no client is left, and a server that resets then
  # refuses the next one now and again.
  KESTRIN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" "$build" "$runs"
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
trap 'rm -rf "$runtime"' EXIT

now_us() { echo $(($(date +%s%N) / 1000)); }

# measure PROGRAM STOP: prints "start_us peak_kib"; STOP ends the program once shown.
measure() {
  local program=$1 stop=$2 log=$runtime/time.log
  local t0; t0=$(now_us)
  /usr/bin/time -f '%M' -o "$log" "$program" >/dev/null 2>&1 &
  local pid=$!
  local tries=0
  until xdotool search --name '^Kestrin$' >/dev/null 2>&1; do
    ((++tries < 5000)) || { echo "bench: $program never showed its window" >&2; cat "$log" >&2; ls -la "$runtime" >&2; exit 1; }
    sleep 0.002
  done
  local t1; t1=$(now_us)
  $stop "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$((t1 - t0)) $(tail -n 1 "$log")"
}

# The window shows before the instance socket listens: retry until the command is taken.
stop_kestrin() {
  local tries=0
  until "$build/tests/kestrin_send_command" "menu exit" 2>/dev/null; do
    ((++tries < 500)) || { echo "bench: kestrin did not take the exit command" >&2; exit 1; }
    sleep 0.01
  done
}
# The bare window has no exit command: end the child of our /usr/bin/time.
stop_floor() { pkill -TERM -P "$1" || true; }

declare -a k_ms f_ms k_kib f_kib
for ((i = 0; i < runs; i++)); do
  read -r kt km < <(measure "$build/bin/kestrin" stop_kestrin)
  read -r ft fm < <(measure "$build/bench/bench_qt_floor" stop_floor)
  k_ms+=("$kt"); f_ms+=("$ft"); k_kib+=("$km"); f_kib+=("$fm")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
km=$(median "${k_ms[@]}"); fm=$(median "${f_ms[@]}")
kk=$(median "${k_kib[@]}"); fk=$(median "${f_kib[@]}")
awk -v runs="$runs" -v km="$km" -v fm="$fm" -v kk="$kk" -v fk="$fk" 'BEGIN {
  printf "startup: %d runs, medians\n", runs
  printf "  kestrin   %7.1f ms to the main window, peak RSS %6.1f MiB\n", km / 1000, kk / 1024
  printf "  bare Qt   %7.1f ms to its window,      peak RSS %6.1f MiB\n", fm / 1000, fk / 1024
  printf "  ratio     %7.2f x start-up, %.2f x memory\n", km / fm, kk / fk
}'
