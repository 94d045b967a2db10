#!/usr/bin/env bash
# The Debian package: made by CPack from the build tree as `make package` makes it, free of
# lintian errors, and holding what a system install should: the program folder under
# /usr/lib/kestrin with the real driver libraries (no virtual mouse, no data), the commands, the
# udev rule under /usr/lib/udev, and Depends from dpkg-shlibdeps.
# It starts nothing for every user at login. Only in the fresh root CI makes
# (KESTRIN_FRESH_ROOT=1, as root; never set it on a machine of your own), the package is then
# installed with apt-get, the installed program is run under Xvfb, against the virtual mouse from
# a copy of its folder, as installed without a mouse and from the autostart entry kestrinctl
# writes, and after a purge /usr, /etc and /var/lib must be as they were.
# usage: package_test.sh BUILD_DIR VIRTUAL_DRIVER_DIR VIRTUAL_MOUSE SEND_COMMAND ARTIFACTS_DIR
#        VERSION   (run inside xvfb-run, its server given -noreset)
set -euo pipefail

build=$1
virtual_dir=$2
virtual_mouse=$3
send=$4
artifacts=$5
version=$6
mkdir -p "$artifacts"
rm -f "$artifacts"/package-*

source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
make_runtime
work=$runtime
kestrin_pid=
mouse_folder=
finish() {
  [[ -n $kestrin_pid ]] && kill -KILL "$kestrin_pid" 2>/dev/null
  [[ -n $mouse_folder ]] && mouse stop >/dev/null 2>&1
  rm -rf "$work"
}
trap finish EXIT

fail() {
  echo "package: $*" >&2
  [[ -n ${DISPLAY:-} ]] && import -window root "$artifacts/package-failure.png" 2>/dev/null
  exit 1
}

# The package, as `make package` makes it, in a folder of its own.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$work/out/kestrin_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { cat "$work/cpack.log" >&2; fail "no $(basename "$deb")"; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

lintian_status=0
lintian --fail-on error -I --pedantic "$deb" >"$artifacts/package-lintian.txt" 2>&1 ||
  lintian_status=$?
grep -E '^[EW]: ' "$artifacts/package-lintian.txt" || true
((lintian_status == 0)) || fail "lintian found errors"

# What it holds: everything under /usr, the program folder as built but for the virtual mouse
# and a build-tree run's data.
contents=$artifacts/package-contents.txt
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|\(.\)/$|\1|' | sort >"$contents"
outside=$(grep -v -e '^/usr' -e '^/$' "$contents" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"
program_files=$(grep -E '^/usr/lib/kestrin/[^/]+$' "$contents" | xargs -n1 basename | tr '\n' ' ')
expected_files="70-kestrin.rules kestrin kestrinctl libHook.so libhiddriver_1.so libhiddriver_2.so res "
[[ $program_files == "$expected_files" ]] ||
  fail "the program folder holds: $program_files"
for path in /usr/bin/kestrin /usr/bin/kestrinctl /usr/lib/udev/rules.d/70-kestrin.rules \
  /usr/share/applications/org.kestrin.Kestrin.desktop /usr/share/man/man1/kestrinctl.1.gz \
  /usr/share/bash-completion/completions/kestrinctl /usr/share/doc/kestrin/copyright \
  /usr/lib/kestrin/res/lan.xml /usr/lib/kestrin/res/lan.de.xml /usr/lib/kestrin/res/lan.fr.xml; do
  grep -qxF "$path" "$contents" || fail "$path is missing"
done
# Starting with the desktop is each user's choice (kestrinctl autostart, the window's menu).
autostart=$(grep -E '/autostart(/|$)' "$contents" || true)
[[ -z $autostart ]] || fail "the package starts the program for every user: $autostart"
# The real driver libraries, over hidapi, not the virtual ones a test folder may have held.
dpkg-deb -x "$deb" "$work/extracted"
readelf -d "$work/extracted/usr/lib/kestrin/libhiddriver_1.so" | grep -q 'libhidapi-hidraw' ||
  fail "the packaged driver library is not the hidapi one"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libhidapi-hidraw0 libudev1 qt6-qpa-plugins; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

if [[ ${KESTRIN_FRESH_ROOT:-} != 1 || $EUID != 0 ]]; then
  echo "package: built and lintian-clean; install and removal SKIPPED" \
    "(only in the fresh root CI makes: KESTRIN_FRESH_ROOT=1, as root)"
  exit 0
fi

# The system as it is, but for dpkg's and apt's bookkeeping and caches other packages' triggers
# make (the icon theme's, the launchers' MIME types).
system_files() {
  find /usr /etc /var/lib -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt \) -prune -o -print |
    grep -vx -e /usr/share/icons/hicolor/icon-theme.cache \
      -e /usr/share/applications/mimeinfo.cache |
    sort
}
# A copy left by an earlier run would be kept (apt installs no version it has) and spoil the lists.
if dpkg-query -W -f '${Status}' kestrin 2>/dev/null | grep -q installed; then
  fail "kestrin is installed already; this needs a root without it"
fi
system_files >"$artifacts/package-files-before.txt"
dpkg-query -W -f '${Package}\n' | sort >"$work/packages-before"

apt_log=$artifacts/package-install.log
export DEBIAN_FRONTEND=noninteractive
(cd "$(dirname "$deb")" && apt-get install -y -q "./$(basename "$deb")") >"$apt_log" 2>&1 ||
  { cat "$apt_log" >&2; fail "apt-get install failed"; }
pulled=$(dpkg-query -W -f '${Package}\n' | sort | comm -13 "$work/packages-before" - |
  grep -vx kestrin || true)
[[ -z $pulled ]] || echo "package: the install also pulled in: $pulled"

for path in /usr/lib/kestrin/kestrin /usr/lib/udev/rules.d/70-kestrin.rules \
  /usr/share/applications/org.kestrin.Kestrin.desktop \
  /usr/share/metainfo/org.kestrin.Kestrin.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/kestrin.svg \
  /usr/share/bash-completion/completions/kestrinctl; do
  [[ -f $path ]] || fail "$path was not installed"
done
[[ $(readlink -f /usr/bin/kestrin) == /usr/lib/kestrin/kestrin ]] ||
  fail "/usr/bin/kestrin does not start the program"
[[ $(command -v kestrinctl) == /usr/bin/kestrinctl ]] || fail "kestrinctl is not on PATH"
if command -v man >/dev/null; then
  [[ $(man -w kestrinctl) == /usr/share/man/man1/kestrinctl.1.gz ]] ||
    fail "man finds no kestrinctl page"
else
  [[ -f /usr/share/man/man1/kestrinctl.1.gz ]] || fail "kestrinctl's manual page was not installed"
fi
kestrinctl --help | grep -q '^usage: kestrinctl' || fail "kestrinctl --help"

# The installed program against the virtual mouse: a copy of its folder with the virtual driver
# libraries in place of the real ones (it loads them from its own folder). An apply writes what
# the installed kestrinctl computes for the saved profile.
mouse_folder=$work/program
cp -a /usr/lib/kestrin "$mouse_folder"
cp "$virtual_dir/libhiddriver_1.so" "$virtual_dir/libhiddriver_2.so" "$virtual_mouse" "$mouse_folder/"
mouse() { "$mouse_folder/kestrin-virtual-mouse" --folder "$mouse_folder" "$@"; }
store=$mouse_folder/Data/ms_1/pro.data
mouse start --plug cable --status-interval 0 --background >/dev/null ||
  fail "the virtual mouse did not start"
"$mouse_folder/kestrin" 2>"$work/mouse-run.log" &
kestrin_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' || fail "the copy's window never showed"
wait_for 10 test -s "$store" || fail "the copy made no pro.data"
current_profile >"$work/profile.pro"
kestrinctl reports "$work/profile.pro" --link cable >"$work/expected" ||
  fail "the installed kestrinctl refused the profile"
count=$(wc -l <"$work/expected")
"$send" apply || fail "the instance socket did not take the apply"
logged_all() { [[ $(mouse log | wc -l) -ge $count ]]; }
wait_for 30 logged_all || fail "the mouse logged $(mouse log | wc -l) of $count writes"
mouse log | awk '{print $2}' | diff "$work/expected" - >/dev/null ||
  fail "the mouse took other writes than kestrinctl computes"
sleep 1.2 # the last report's pauses
import -window root "$artifacts/package-installed-mouse.png"
exit_through_tray "$send"
mouse stop >/dev/null
mouse_folder=

# /usr/bin/kestrin itself, without a mouse: its window with the no-mouse page, ended by SIGTERM.
export XDG_RUNTIME_DIR=$work/installed
home=$work/home
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir "$home"
HOME=$home /usr/bin/kestrin 2>"$work/installed-run.log" &
kestrin_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' ||
  fail "the installed program's window never showed"
sleep 0.3
import -window root "$artifacts/package-installed.png"
kill -TERM "$kestrin_pid"
wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the installed program did not end on SIGTERM"
status=0
wait "$kestrin_pid" || status=$?
kestrin_pid=
((status == 0)) || fail "the installed program ended with $status"
# A start at login: the entry `kestrinctl autostart on` writes starts the installed program, as a
# session starts it (no tray here: its window shows once it has waited for one); `off` removes
# the entry.
entry=$home/.config/autostart/org.kestrin.Kestrin.desktop
HOME=$home XDG_CONFIG_HOME= kestrinctl autostart on || fail "kestrinctl autostart on failed"
desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
HOME=$home gio launch "$entry" 2>"$work/autostart-run.log" || fail "gio launch refused $entry"
wait_for 20 xdotool search --onlyvisible --name '^Kestrin$' ||
  fail "the autostart entry did not start the program"
kestrin_pid=$(pgrep -nx kestrin)
[[ $(readlink -f "/proc/$kestrin_pid/exe") == /usr/lib/kestrin/kestrin ]] ||
  fail "the autostart entry started $(readlink -f "/proc/$kestrin_pid/exe")"
kill -TERM "$kestrin_pid"
wait_for 10 bash -c "! kill -0 $kestrin_pid" || fail "the program started at login did not end"
kestrin_pid=
HOME=$home XDG_CONFIG_HOME= kestrinctl autostart off || fail "kestrinctl autostart off failed"
[[ ! -e $entry ]] || fail "kestrinctl autostart off left $entry"
# The data folder, as root finds it (kestrinctl makes it, and finds no profiles there yet): in
# the home folder, though root could write /usr/lib/kestrin.
HOME=$home kestrinctl list >/dev/null 2>&1 || true
[[ -d $home/.local/share/kestrin/Data ]] || fail "root's data folder is not in its home folder"
[[ ! -e /usr/lib/kestrin/Data ]] || fail "root's data folder was made under /usr"

apt-get remove --purge -y -q kestrin >>"$apt_log" 2>&1 || fail "apt-get remove --purge failed"
if [[ -n $pulled ]]; then
  # shellcheck disable=SC2086 # one package a word
  apt-get remove --purge -y -q $pulled >>"$apt_log" 2>&1
fi
system_files >"$artifacts/package-files-after.txt"
if ! diff "$artifacts/package-files-before.txt" "$artifacts/package-files-after.txt" \
  >"$artifacts/package-files-left.txt"; then
  cat "$artifacts/package-files-left.txt" >&2
  fail "the purge did not leave the system as it was"
fi
echo "package: installed, run and purged in the fresh root: nothing left behind"
