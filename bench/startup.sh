#!/usr/bin/env bash
# What a user waits for at start: the time from launch to the main window mapped on the X
# server, and the peak resident memory by then (read 300 ms later), of the real program with a
# virtual mouse on the cable (without a mouse its window stays in the tray). Measured in one
# interleaved run under Xvfb against a bare Qt window (bench_qt_floor), the same window showing
# one line in the skin's font (what any window with text pays to find and load a font), the same
# main window built from the skin with nothing behind it (bench_window_floor), Piper where it is
# installed, and the program again over a data folder of 200 profiles.
# Targets: start <= 2.0 x the bare window and <= 1.05 x the window from the skin alone; peak
# memory <= 1.35 x the bare window; 200 profiles add <= 10 % to the start and <= 2 MiB to the
# peak.
# usage: bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail

build=$(realpath "${1:?usage: startup.sh BUILD_DIR [RUNS]}")
runs=${2:-21}

if [[ -z "${KESTRIN_BENCH_INNER:-}" ]]; then
  # -noreset: between two measured programs no client is left, and a server that resets then
  # refuses the next one now and again.
  KESTRIN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" "$build" "$runs"
fi

watch=$build/bench/bench_start_watch
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
# The program never reads the machine's Bluetooth here.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$runtime/no-system-bus
folders=()
finish() {
  for folder in "${folders[@]}"; do
    "$folder/kestrin-virtual-mouse" --folder "$folder" stop >/dev/null 2>&1 || true
  done
  rm -rf "$runtime"
}
trap finish EXIT

# program_folder NAME: a copy of the program beside the virtual driver libraries, with its own
# virtual mouse on the cable; prints its path.
program_folder() {
  local folder=$runtime/$1
  mkdir -p "$folder"
  cp -a "$build/bin/kestrin" "$build/bin/kestrin-virtual-mouse" "$build/bin/libHook.so" \
    "$build/bin/res" "$folder/"
  cp "$build/virtual-drivers/libhiddriver_1.so" "$build/virtual-drivers/libhiddriver_2.so" "$folder/"
  "$folder/kestrin-virtual-mouse" --folder "$folder" start --plug cable --background >/dev/null
  echo "$folder"
}
plain=$(program_folder plain)
folders+=("$plain")
many=$(program_folder many)
folders+=("$many")
"$build/bench/bench_profile_fill" "$many/Data" 200

declare -A command=(
  [floor]="$watch --title Kestrin $build/bench/bench_qt_floor"
  [label]="$watch --title Kestrin $build/bench/bench_qt_floor --label"
  [window]="$watch --title Kestrin $build/bench/bench_window_floor $build/bin/res/"
  [plain]="$watch --title Kestrin $plain/kestrin"
  [many]="$watch --title Kestrin $many/kestrin"
)
cases=(floor label window plain many)
if command -v piper >/dev/null; then
  command[piper]="$watch $(command -v piper)"
  cases+=(piper)
fi

# One unmeasured start of each: the first start of the program makes its data files, and every
# file the measured starts read is in the page cache.
for name in "${cases[@]}"; do ${command[$name]} >/dev/null; done

declare -A start_us peak_kib
for ((i = 0; i < runs; i++)); do
  # Each round in another order, so that none always follows the same program.
  for ((k = 0; k < ${#cases[@]}; k++)); do
    name=${cases[$(((i + k) % ${#cases[@]}))]}
    read -r us kib < <(${command[$name]})
    start_us[$name]+="$us "
    peak_kib[$name]+="$kib "
  done
done

median() { printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
declare -A ms mib
for name in "${cases[@]}"; do
  ms[$name]=$(median "${start_us[$name]}")
  mib[$name]=$(median "${peak_kib[$name]}")
done

report() { # report LABEL NAME
  awk -v label="$1" -v us="${ms[$2]}" -v kib="${mib[$2]}" \
    'BEGIN { printf "  %-22s %7.1f ms  %6.1f MiB\n", label, us / 1000, kib / 1024 }'
}

echo "startup: $runs interleaved runs, medians; to the main window mapped, peak RSS 300 ms later"
report "bare Qt window" floor
report "  with a line of text" label
report "the window, skin only" window
report "kestrin" plain
report "kestrin, 200 profiles" many
if [[ -n ${ms[piper]:-} ]]; then report "piper" piper; else echo "  piper                  not installed"; fi
awk -v kt="${ms[plain]}" -v ft="${ms[floor]}" -v km="${mib[plain]}" -v fm="${mib[floor]}" \
  -v mt="${ms[many]}" -v mm="${mib[many]}" 'BEGIN {
  s = kt / ft; m = km / fm; ds = (mt - kt) / kt * 100; dm = (mm - km) / 1024
  printf "  start   %5.2f x the bare window       target <= 2.00 x   %s\n", s, (s <= 2.0 ? "met" : "MISSED")
  printf "  memory  %5.2f x the bare window       target <= 1.35 x   %s\n", m, (m <= 1.35 ? "met" : "MISSED")
  printf "  200 profiles: start %+5.1f %%          target <= +10 %%    %s\n", ds, (ds <= 10 ? "met" : "MISSED")
  printf "  200 profiles: peak  %+5.2f MiB        target <= +2 MiB   %s\n", dm, (dm <= 2 ? "met" : "MISSED")
}'
# The program over its own window: what the program's start adds to the window's widgets.
awk -v kt="${ms[plain]}" -v wt="${ms[window]}" -v km="${mib[plain]}" -v wm="${mib[window]}" \
  -v ft="${ms[floor]}" -v fm="${mib[floor]}" -v lt="${ms[label]}" -v lm="${mib[label]}" 'BEGIN {
  s = kt / wt
  printf "  start   %5.2f x the window alone      target <= 1.05 x   %s\n", s, (s <= 1.05 ? "met" : "MISSED")
  printf "  kestrin over the window alone: %.2f x memory\n", km / wm
  printf "  the window alone: %.2f x start, %.2f x memory of the bare window\n", wt / ft, wm / fm
  printf "  against the window with text: %.2f x start, %.2f x memory (the text itself: %.2f x, %.2f x the bare window)\n", kt / lt, km / lm, lt / ft, lm / fm
}'
if [[ -n ${ms[piper]:-} ]]; then
  awk -v kt="${ms[plain]}" -v pt="${ms[piper]}" -v km="${mib[plain]}" -v pm="${mib[piper]}" \
    'BEGIN { printf "  against piper: %.2f x start, %.2f x memory\n", kt / pt, km / pm }'
fi
