# shellcheck shell=bash
# Shared by the benchmarks that run the real program under their own X server. Sourced once
# `build` names the build folder; the caller's EXIT trap removes $runtime.

# bench_runtime: a private runtime folder in $runtime, with no system bus, so that the program
# never reads the machine's Bluetooth.
bench_runtime() {
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  export XDG_RUNTIME_DIR=$runtime
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$runtime/no-system-bus
}

# bench_program FOLDER [BINARY...]: a copy of the program, its hook library, skin and virtual
# mouse in FOLDER beside the virtual driver libraries, with the named binaries of bin/ too.
bench_program() {
  local folder=$1 binary
  shift
  mkdir -p "$folder"
  cp -a "$build/bin/kestrin" "$build/bin/kestrin-virtual-mouse" "$build/bin/libHook.so" \
    "$build/bin/res" "$folder/"
  for binary in "$@"; do cp -a "$build/bin/$binary" "$folder/"; done
  cp "$build/virtual-drivers/libhiddriver_1.so" "$build/virtual-drivers/libhiddriver_2.so" "$folder/"
}

# wait_for SECONDS COMMAND...: polls COMMAND every $wait_poll seconds (0.1 unless set).
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep "${wait_poll:-0.1}"
  done
}
