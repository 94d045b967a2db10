# Shared by the end-to-end scripts (sourced): waiting for a condition, a private runtime folder,
# a program folder beside the virtual driver libraries and mouse, and pro.data's current profile.

# A missing tool is named, not mistaken for a window that never showed.
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (make deps installs it)" >&2; exit 1; }
done

# The scripts look for the windows' English titles, whatever language this desktop speaks; a
# script that wants another gives the program its locale itself.
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=C.UTF-8

wait_for() { # wait_for SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# The processor time this machine's host has kept from its processors since boot (steal), in
# ticks: a test that failed because the machine stood still says so.
host_steal() { awk '/^cpu / { print $9 }' /proc/stat; }
steal_at_start=$(host_steal)

# describe_program PID: for a failure's log, whether a process still runs, how long it has run
# and how much of that on the processor, what the host kept meanwhile, and where each of its
# threads waits (a hang shows there).
describe_program() {
  local pid=$1 hz stat
  [[ -n $pid ]] || return 0
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "process $pid had ended"
    return 0
  fi
  hz=$(getconf CLK_TCK)
  read -r -a stat <"/proc/$pid/stat"
  local ran
  ran=$(awk -v up="$(cut -d' ' -f1 /proc/uptime)" -v start="${stat[21]}" -v hz="$hz" \
    'BEGIN { printf "%.1f", up - start / hz }')
  echo "$(cat "/proc/$pid/comm") ($pid) has run $ran s, $(((stat[13] + stat[14]) * 1000 / hz)) ms" \
    "of it on the processor; the host kept $((($(host_steal) - steal_at_start) * 1000 / hz)) ms" \
    "of processor time from this machine since the test began"
  local task
  for task in /proc/"$pid"/task/*; do
    echo "  thread $(cat "$task/comm" 2>/dev/null):" \
      "$(awk '/^State:/ { print $2 }' "$task/status" 2>/dev/null)" \
      "in $(cat "$task/wchan" 2>/dev/null)"
  done
  if command -v gdb >/dev/null; then
    timeout 60 gdb -batch -p "$pid" -ex "thread apply all bt 16" 2>/dev/null |
      grep -E '^(Thread|#)' | cut -c1-240 || true
  fi
}

# print_trace FILE LINES: how the program's trace (its stderr) ended, for a failure's log. A
# sanitizer's report in it is printed whole, however long: its stacks are what tell a leak in a
# library from one of ours.
print_trace() {
  [[ -s $1 ]] || return 0
  if grep -q -E '^==[0-9]+==ERROR: |: runtime error: ' "$1"; then
    echo "--- the sanitizer's report in the program's trace:"
    sed -n -E '/^==[0-9]+==ERROR: |: runtime error: /,$p' "$1"
  else
    echo "--- the last lines of the program's trace:"
    tail -n "$2" "$1"
  fi
}

# A runtime folder of this run's own, so the instance socket and lock meet no other program.
make_runtime() {
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  export XDG_RUNTIME_DIR=$runtime
  # The program never reads the machine's Bluetooth here; a test that wants a bus starts one.
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$runtime/no-system-bus
  # Nor a session bus. Without an address libdbus would start one through dbus-launch, forking
  # the program at its first label; under the sanitizers that child can hang before it runs
  # dbus-launch (another thread held the allocator's lock as it forked), and the program with it.
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/no-session-bus
}

# make_program_folder PROGRAM_DIR VIRTUAL_DRIVER_DIR: a copy of the program with the virtual
# driver libraries in $program, `mouse` for its virtual mouse, and a trap that ends both.
make_program_folder() {
  make_runtime
  program=$runtime/program
  mkdir -p "$program"
  cp -a "$1/kestrin" "$1/kestrin-virtual-mouse" "$1/kestrinctl" "$1/libHook.so" "$1/res" "$program/"
  cp "$2/libhiddriver_1.so" "$2/libhiddriver_2.so" "$program/"
  store=$program/Data/ms_1/pro.data
  kestrin_pid=
  trap end_program_folder EXIT
}
mouse() { "$program/kestrin-virtual-mouse" --folder "$program" "$@"; }
end_program_folder() {
  # The program saves as it ends: its folder is removed only once it has gone.
  if [[ -n $kestrin_pid ]] && kill "$kestrin_pid" 2>/dev/null; then
    wait_for 10 bash -c "! kill -0 $kestrin_pid" || kill -KILL "$kestrin_pid" 2>/dev/null
    wait "$kestrin_pid" 2>/dev/null || true
  fi
  [[ -n ${tray_pid:-} ]] && kill "$tray_pid" 2>/dev/null
  mouse stop >/dev/null 2>&1 || true
  rm -rf "$runtime"
}

# A notification area (trayer, a real XEmbed tray) at the top right, for the tray's behaviour.
start_tray() {
  command -v trayer >/dev/null || fail "trayer is missing (make deps installs it)"
  trayer --edge top --align right --widthtype request --height 24 >"$runtime/trayer.log" 2>&1 &
  tray_pid=$!
  wait_for 10 xdotool search --class trayer ||
    fail "the notification area did not start ($(describe_program "$tray_pid" | head -1);" \
      "it said: $(tr '\n' ' ' <"$runtime/trayer.log"))"
}

profile_store_header_size=208184
profile_record_size=41636
# The current profile of pro.data as one record, on stdout.
current_profile() {
  local index
  index=$(od -An -t d4 -N4 "$store" | tr -d ' ')
  # Both sizes are whole 32-bit words.
  dd if="$store" bs=4 skip=$(((profile_store_header_size + index * profile_record_size) / 4)) \
    count=$((profile_record_size / 4)) status=none
}
# One 32-bit field of the current profile, by its offset in the record.
profile_field() {
  local index
  index=$(od -An -t d4 -N4 "$store" | tr -d ' ')
  od -An -t d4 -j $((profile_store_header_size + index * profile_record_size + $1)) -N4 "$store" |
    tr -d ' '
}

# exit_through_tray SEND_COMMAND: the tray menu's "exit" through the instance socket; the program
# must end, and end well.
exit_through_tray() {
  "$1" "menu exit" || fail "the instance socket did not take the exit"
  wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the program did not end"
  local status
  set +e
  wait "$kestrin_pid"
  status=$?
  set -e
  kestrin_pid=
  [[ $status == 0 ]] || fail "the program ended with $status"
}
