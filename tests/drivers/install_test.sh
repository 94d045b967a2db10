#!/usr/bin/env bash
# `make install` staged into a scratch folder: the program folder's libraries, the udev rule, the
# `kestrin` command and the desktop's launcher, metadata and icons land where the prefix says,
# the launcher and metadata pass their validators, and nothing reaches the real system. Into a
# prefix in the user's home nothing needs root: the rule is left out and its command printed.
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
# The texts in English and each translation beside it.
for language in "" .de .fr; do check "$stage/a/usr/lib/kestrin/res/lan$language.xml"; done
grep -q "Staged install" "$stage/a.log" || { echo "a staged install reloaded udev" >&2; exit 1; }

# The desktop's side, as a package has it.
usr=$stage/a/usr
launcher=$usr/share/applications/org.kestrin.Kestrin.desktop
metainfo=$usr/share/metainfo/org.kestrin.Kestrin.metainfo.xml
check "$launcher"
check "$metainfo"
for size in 16 32 48 64 128 256; do check "$usr/share/icons/hicolor/${size}x${size}/apps/kestrin.png"; done
check "$usr/share/icons/hicolor/scalable/apps/kestrin.svg"
[[ $(readlink "$usr/bin/kestrin") == ../lib/kestrin/kestrin && -x "$usr/bin/kestrin" ]] ||
  { echo "bin/kestrin does not start the program folder's program" >&2; exit 1; }
desktop-file-validate "$launcher"
appstreamcli validate --no-net "$metainfo" >"$stage/appstream.log" ||
  { cat "$stage/appstream.log" >&2; exit 1; }
# What the launcher names exists: its command on PATH, its icon in the theme.
[[ $(sed -n 's/^Exec=//p' "$launcher") == kestrin ]] || { echo "the launcher runs another command" >&2; exit 1; }
[[ $(sed -n 's/^Icon=//p' "$launcher") == kestrin ]] || { echo "the launcher names another icon" >&2; exit 1; }
grep -q '<launchable type="desktop-id">org.kestrin.Kestrin.desktop</launchable>' "$metainfo"
grep -q '<modalias>usb:v1D57pFA61d\*</modalias>' "$metainfo"
# A software centre and a menu in German or French show the launcher and metadata so.
for language in de fr; do
  grep -q "^Comment\[$language\]=" "$launcher" && grep -q "<summary xml:lang=\"$language\">" "$metainfo" ||
    { echo "no $language texts in the launcher or the metadata" >&2; exit 1; }
done
# kestrinctl's manual page (made from scdoc) names every command; its completion is bash's.
check "$usr/share/bash-completion/completions/kestrinctl"
page=$(gzip -dc "$usr/share/man/man1/kestrinctl.1.gz")
for command in list export import reports autostart; do
  grep -qF "\\fBkestrinctl $command\\fR" <<<"$page" ||
    { echo "the man page lacks kestrinctl $command" >&2; exit 1; }
done

# udev reads no rules under /usr/local: the rule goes to /etc.
DESTDIR="$stage/b" cmake --install "$build" --prefix /usr/local > "$stage/b.log"
check "$stage/b/usr/local/lib/kestrin/libhiddriver_1.so"
check "$stage/b/etc/udev/rules.d/70-kestrin.rules"
[[ ! -e "$stage/b/usr/local/lib/udev" ]] || { echo "rule under /usr/local" >&2; exit 1; }
cmp "$stage/b/etc/udev/rules.d/70-kestrin.rules" "$(dirname "$0")/../../drivers/70-kestrin.rules"

# A prefix in the user's home, as the user: no DESTDIR, no root needed, nothing written outside.
home=$stage/home
mkdir -p "$home"
HOME=$home cmake --install "$build" --prefix "$home/.local" > "$stage/c.log"
check "$home/.local/lib/kestrin/kestrin"
check "$home/.local/lib/kestrin/70-kestrin.rules"
check "$home/.local/share/applications/org.kestrin.Kestrin.desktop"
[[ $(readlink -f "$home/.local/bin/kestrin") == "$home/.local/lib/kestrin/kestrin" ]] ||
  { echo "~/.local/bin/kestrin does not start the installed program" >&2; exit 1; }
grep -qF "sudo install -m 644 '$home/.local/lib/kestrin/70-kestrin.rules' /etc/udev/rules.d/ && sudo udevadm control --reload-rules" "$stage/c.log" ||
  { cat "$stage/c.log" >&2; echo "the rule's command was not printed" >&2; exit 1; }
if grep -E "(Installing|Up-to-date): /(etc|usr)/" "$stage/c.log"; then
  echo "a user's install wrote outside the prefix" >&2
  exit 1
fi
echo "install: staged installs as expected"
