#!/usr/bin/env bash
# The library windows' opening times (library_open_bench) on an X server of their own, with no
# session or system bus, as the end-to-end tests run the program.
# usage: bench/library.sh BUILD_DIR [ROUNDS]
set -euo pipefail
build=$(realpath "${1:?usage: library.sh BUILD_DIR [ROUNDS]}")
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime DBUS_SYSTEM_BUS_ADDRESS=unix:path=$runtime/no-system-bus \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/no-session-bus \
  xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$build/bench/library_open_bench" "${2:-11}" 2>/dev/null
