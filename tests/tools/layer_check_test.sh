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
expect fail unlayered_folder 'newthing/A.cpp=#include "base/B.h"'
expect pass tests_unchecked 'tests/A.cpp=#include "app/B.h"\n#include <QTest>'

echo "$((cases - failures)) passed, $failures failed"
((failures == 0))
