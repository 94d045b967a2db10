#!/usr/bin/env bash
# The layer check on small trees of its own: it passes the project's sources, and fails each
# kind of include it exists to stop.
#
#   layer_check_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
check=$source_dir/tools/layer-check.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
cases=0

# expect pass|fail NAME FILE=CONTENT...: a tree of those files, checked.
expect() {
  local want=$1 name=$2 tree=$work/$2 status=0
  shift 2
  cases=$((cases + 1))
  mkdir -p "$tree"
  for entry in "$@"; do
    mkdir -p "$tree/$(dirname "${entry%%=*}")"
    printf '%b\n' "${entry#*=}" >"$tree/${entry%%=*}"
  done
  "$check" "$tree" >"$tree.out" 2>&1 || status=$?
  if [[ $want == pass && $status -ne 0 ]] || [[ $want == fail && $status -eq 0 ]]; then
    echo "FAIL: $name: expected the check to $want; it said:"
    cat "$tree.out"
    failures=$((failures + 1))
  fi
}

"$check" "$source_dir" || { echo "FAIL: the project's own sources break the layers"; exit 1; }

expect pass downward 'page/A.cpp=#include "ui/B.h"\n#include "base/C.h"\n#include <QWidget>' \
  'base/C.h=#include <vector>'
expect fail upward 'ui/A.cpp=#include "page/B.h"'
expect fail sideways 'macros/A.h=#include "profiles/B.h"'
expect fail base_includes_ours 'base/A.h=#include "macros/B.h"'
expect fail spaced_include 'drivers/A.cpp=#  include  "device/B.h"'
expect fail qt_in_core 'protocol/A.cpp=#include <QByteArray>'
expect fail qt_in_device 'device/A.cpp=#include <QString>'
expect fail unlayered_folder 'newthing/A.cpp=#include "base/B.h"'
expect fail unlayered_tool 'tools/newtool/A.cpp=#include "base/B.h"'
# The virtual mouse checks the program's reports, so it must not share the code that builds them.
expect pass virtual_mouse_on_base 'tools/virtualmouse/A.cpp=#include "base/B.h"\n#include <systemd/sd-bus.h>'
expect fail virtual_mouse_on_protocol 'tools/virtualmouse/A.cpp=#include "protocol/B.h"'
expect fail virtual_mouse_on_kestrinctl 'tools/virtualmouse/A.cpp=#include "tools/kestrinctl/B.h"'
expect pass kestrinctl_on_device 'tools/kestrinctl/A.cpp=#include "device/B.h"\n#include "tools/kestrinctl/C.h"'
expect fail kestrinctl_on_page 'tools/kestrinctl/A.cpp=#include "page/B.h"'
expect fail kestrinctl_on_qt 'tools/kestrinctl/A.cpp=#include <QCoreApplication>'
expect fail device_on_kestrinctl 'device/A.cpp=#include "tools/kestrinctl/B.h"'
expect pass page_subfolder_is_page 'page/library/A.cpp=#include "device/B.h"\n#include <QDialog>'
expect pass hidapi_in_drivers 'drivers/A.c=#include <hidapi.h>\n#include <libudev.h>'
expect fail hidapi_in_page 'page/A.cpp=#include <hidapi.h>'
expect fail libudev_in_device 'device/A.cpp=#include <libudev.h>'
expect pass x11_in_hook 'hook/A.cpp=#include <X11/keysym.h>\n#include <xcb/xinput.h>'
expect fail xinput_in_app 'app/A.cpp=#include <X11/extensions/XInput2.h>'
expect fail xcb_in_ui 'ui/A.cpp=#include <xcb/xcb.h>'
expect pass tests_unchecked 'tests/A.cpp=#include "app/B.h"\n#include <QTest>'

# The README's Architecture table holds the same layers, row for row: the folder, the folders
# it may include and the system libraries it may include, each as `name` or `name/`.
cases=$((cases + 1))
readme_rows=$(awk -F'|' '
  # The names a cell gives as `name` or `name/`, space-separated.
  function names(cell, out, name) {
    out = ""
    while (match(cell, /`[^`]+`/)) {
      name = substr(cell, RSTART + 1, RLENGTH - 2)
      sub(/\/$/, "", name)
      out = out (out == "" ? "" : " ") name
      cell = substr(cell, RSTART + RLENGTH)
    }
    return out
  }
  /^## Architecture/ { on = 1; next }
  on && /^## / { exit }
  on && /^\| / && $3 ~ /`/ { print names($3) "|" names($6) "|" names($7) }
' "$source_dir/README.md")
if [[ $readme_rows != "$("$check" --table)" ]]; then
  echo "FAIL: the README's Architecture table and tools/layer-check.sh differ:"
  diff <(echo "$readme_rows") <("$check" --table) || true
  failures=$((failures + 1))
fi

echo "$((cases - failures)) passed, $failures failed"
((failures == 0))
