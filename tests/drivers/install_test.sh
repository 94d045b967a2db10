#!/usr/bin/env bash
# `make install` staged into a scratch folder: the program folder's libraries and the udev rule
# land where the prefix says, and nothing reaches the real system.
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: install_test.sh BUILD_DIR}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

check() { [[ -e "$1" ]] || { echo "missing: $1" >&2; exit 1; }; }

DESTDIR="$stage/a" cmake --install "$build" --prefix /usr > "$stage/a.log"
check "$stage/a/usr/lib/kestrin/libhiddriver_1.so"
check "$stage/a/usr/lib/kestrin/libhiddriver_2.so"
check "$stage/a/usr/lib/udev/rules.d/70-kestrin.rules"
grep -q "Staged install" "$stage/a.log" || { echo "a staged install reloaded udev" >&2; exit 1; }

# udev reads no rules under /usr/local: the rule goes to /etc.
DESTDIR="$stage/b" cmake --install "$build" --prefix /usr/local > "$stage/b.log"
check "$stage/b/usr/local/lib/kestrin/libhiddriver_1.so"
check "$stage/b/etc/udev/rules.d/70-kestrin.rules"
[[ ! -e "$stage/b/usr/local/lib/udev" ]] || { echo "rule under /usr/local" >&2; exit 1; }
cmp "$stage/b/etc/udev/rules.d/70-kestrin.rules" "$(dirname "$0")/../../drivers/70-kestrin.rules"
echo "install: staged installs as expected"
