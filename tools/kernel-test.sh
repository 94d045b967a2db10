#!/usr/bin/env bash
# Boots a real Linux kernel under qemu (emulated CPU, no KVM needed) with a small initramfs and
# runs a harness inside it:
#   - the real driver libraries against the virtual mouse behind /dev/uhid:
#       tools/kernel-test.sh --build DIR --harness FILE --profile-maker FILE --kestrinctl FILE
#                            --init FILE --drivers DIR
#   - with --bluetooth, Debian's BlueZ on two virtual LE controllers (btvirt over /dev/vhci),
#     the virtual mouse as a peripheral on one and the program's GATT layer on the other:
#       tools/kernel-test.sh --build DIR --harness FILE --profile-maker FILE --kestrinctl FILE
#                            --init FILE --bluetooth --virtual-mouse FILE --guest-files DIR
#
# The kernel is Debian's current linux-image-*-amd64 package, and BlueZ's daemon, btvirt and
# dbus-daemon come from Debian's bluez, bluez-test-tools and dbus-daemon packages; all are
# fetched with `apt-get download` (never installed) into DIR/kernel-cache, or
# $KESTRIN_KERNEL_CACHE where set, and reused from there. The guest's console log, the expected
# writes and the verdict go to DIR/artifacts/kernel-test/ (kernel-bluetooth-test/ for
# Bluetooth). Exit status 0 only on the guest's PASS.
set -euo pipefail

die() {
  echo "kernel-test: FAIL: $*" >&2
  exit 1
}

build="" harness="" maker="" kestrinctl="" drivers="" init="" bluetooth=0 mouse="" guest_files=""
while (($#)); do
  case "$1" in
    --bluetooth) bluetooth=1 && shift && continue ;;
    --build) build=$2 ;;
    --harness) harness=$2 ;;
    --profile-maker) maker=$2 ;;
    --kestrinctl) kestrinctl=$2 ;;
    --drivers) drivers=$2 ;;
    --init) init=$2 ;;
    --virtual-mouse) mouse=$2 ;;
    --guest-files) guest_files=$2 ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift 2
done
needed=(build harness maker kestrinctl init)
if ((bluetooth)); then
  needed+=(mouse guest_files)
  binaries=("$harness" "$mouse")
else
  needed+=(drivers)
  binaries=("$harness" "$drivers/libhiddriver_1.so" "$drivers/libhiddriver_2.so")
fi
for name in "${needed[@]}"; do
  [[ -n "${!name}" ]] || die "an argument is missing: ${name}"
done
for file in "${binaries[@]}" "$maker" "$kestrinctl" "$init"; do
  [[ -e "$file" ]] || die "$file does not exist (build it first)"
done
command -v qemu-system-x86_64 >/dev/null || die "qemu-system-x86_64 is missing (make deps)"
busybox=/bin/busybox
[[ -x "$busybox" ]] && file -L "$busybox" | grep -q 'statically linked' ||
  die "$busybox is not a static busybox (make deps installs busybox-static)"

build=$(realpath "$build")
cache=${KESTRIN_KERNEL_CACHE:-$build/kernel-cache}
name=kernel-test
((bluetooth)) && name=kernel-bluetooth-test
work=$build/$name
artifacts=$build/artifacts/$name
mkdir -p "$cache" "$artifacts"
rm -rf "$work"
mkdir -p "$work"

# The kernel: an uncompressed vmlinux (qemu boots it directly, through its PVH entry) and the
# modules the guests load, in the order they load them: HID, then Bluetooth.
hid_modules=(hid hid-generic uhid)
# btvirt's controllers do their LE cryptography through the kernel's AF_ALG sockets.
bluetooth_modules=(ecc ecdh_generic rfkill crc16 ecb cmac af_alg algif_hash algif_skcipher
  bluetooth hci_vhci)
current_kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1
}

# apt-get download into DIR of the packages that the command LIST prints. Old package lists may
# name a version the mirror no longer has: they are refreshed once and the download tried again.
apt_download() {
  local dir=$1 list=$2 packages
  packages=$($list)
  [[ -n "$packages" ]] &&
    (cd "$dir" && apt-get download $packages >>"$cache/download.log" 2>&1) && return 0
  echo "kernel-test: refreshing the package lists"
  local sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq >>"$cache/download.log" 2>&1 || true
  packages=$($list)
  [[ -n "$packages" ]] &&
    (cd "$dir" && apt-get download $packages >>"$cache/download.log" 2>&1) ||
    die "cannot fetch ${packages:-the packages of $list} with apt-get download (no network?); see $cache/download.log"
}

fetch_kernel() {
  rm -rf "$cache/download" "$cache/unpacked"
  mkdir -p "$cache/download"
  apt_download "$cache/download" current_kernel_package
  local package
  package=$(current_kernel_package)
  echo "kernel-test: fetched $package"
  dpkg -x "$cache"/download/linux-image-[0-9]*.deb "$cache/unpacked" ||
    die "cannot unpack $package"
  local vmlinuz
  vmlinuz=$(ls "$cache"/unpacked/boot/vmlinuz-* | head -n 1)
  # The bzImage carries the kernel as an XZ stream; find it and unpack it.
  local offset
  for offset in $(grep -abo $'\xfd7zXZ\x00' "$vmlinuz" | cut -d: -f1); do
    if tail -c +$((offset + 1)) "$vmlinuz" | xz -dc 2>/dev/null >"$cache/vmlinux.part" ||
      [[ -s "$cache/vmlinux.part" ]]; then
      if file "$cache/vmlinux.part" | grep -q ELF; then
        break
      fi
    fi
    rm -f "$cache/vmlinux.part"
  done
  [[ -s "$cache/vmlinux.part" ]] || die "no XZ-compressed kernel found in $vmlinuz"
  mkdir -p "$cache/modules"
  local module
  for module in "${hid_modules[@]}" "${bluetooth_modules[@]}"; do
    local found
    found=$(find "$cache/unpacked/lib/modules" -name "$module.ko*" | head -n 1)
    [[ -n "$found" ]] || die "$package has no $module module"
    case "$found" in
      *.xz) xz -dc "$found" >"$cache/modules/$module.ko" ;;
      *.zst) die "$found is zstd-compressed; not handled" ;;
      *) cp "$found" "$cache/modules/$module.ko" ;;
    esac
  done
  echo "$package" >"$cache/package"
  mv "$cache/vmlinux.part" "$cache/vmlinux"
  rm -rf "$cache/download" "$cache/unpacked"
}
# Both tests may start at once and share the cache: one fetches, the other waits.
exec 9>"$cache/.lock"
flock 9
kernel_ready=1
for module in "${hid_modules[@]}" "${bluetooth_modules[@]}"; do
  [[ -s "$cache/modules/$module.ko" ]] || kernel_ready=0
done
[[ -s "$cache/vmlinux" ]] && ((kernel_ready)) || fetch_kernel
echo "kernel-test: kernel $(cat "$cache/package")"

# Debian's BlueZ, btvirt and dbus-daemon, unpacked into DIR/root, with any library of theirs
# this machine lacks (from their packages' dependencies, fetched the same way).
packages=$cache/packages
bluez_binaries=(usr/libexec/bluetooth/bluetoothd usr/bin/btvirt usr/bin/dbus-daemon)
bluez_packages() { echo bluez bluez-test-tools dbus-daemon; }
package_libraries() {
  echo "$packages/root/lib/x86_64-linux-gnu:$packages/root/usr/lib/x86_64-linux-gnu"
}
missing_libraries() {
  local binary
  for binary in "$@"; do
    LD_LIBRARY_PATH=$(package_libraries) ldd "$binary" | sed -n 's/^\s*\(\S*\) => not found$/\1/p'
  done | sort -u
}
# The library packages the downloaded ones depend on that this machine has not installed.
absent_dependencies() {
  local deb
  for deb in "$packages"/debs/*.deb; do
    dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*//; s/:any//; s/ //g'
  done | grep '^lib' | sort -u | while read -r package; do
    [[ -e "$packages/debs/.$package" ]] && continue
    dpkg-query -W -f='${db:Status-Status}\n' "$package" 2>/dev/null | grep -qx installed ||
      echo "$package"
  done
}
unpack_packages() {
  local deb
  for deb in "$packages"/debs/*.deb; do
    local package
    package=$(dpkg-deb -f "$deb" Package)
    [[ -e "$packages/debs/.$package" ]] && continue
    dpkg -x "$deb" "$packages/root"
    touch "$packages/debs/.$package"
  done
}
if ((bluetooth)); then
  bluez_ready=1
  for binary in "${bluez_binaries[@]}"; do
    [[ -x "$packages/root/$binary" ]] || bluez_ready=0
  done
  if ((!bluez_ready)); then
    rm -rf "$packages"
    mkdir -p "$packages/debs"
    apt_download "$packages/debs" bluez_packages
    unpack_packages
  fi
  # Checked on every run: the cache may have been filled on a machine with more installed.
  for round in 1 2 3; do
    [[ -n "$(missing_libraries "${bluez_binaries[@]/#/$packages/root/}")" ]] || break
    [[ -n "$(absent_dependencies)" ]] || break
    apt_download "$packages/debs" absent_dependencies
    unpack_packages
  done
  echo "kernel-test: $(cd "$packages/debs" && ls bluez_*.deb)"
fi
flock -u 9

# What a full apply writes over the links the guest tries, as the companion tool prints it.
links=(cable receiver)
((bluetooth)) && links=(ble)
"$maker" "$artifacts/apply.pro"
for link in "${links[@]}"; do
  "$kestrinctl" reports "$artifacts/apply.pro" --link "$link" >"$artifacts/$link.hex"
done

# The initramfs: busybox, the modules in load order, the harness and what it runs, the
# libraries of all of them.
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,modules,kestrin}
cp "$busybox" "$root/bin/busybox"
cp "$init" "$root/init"
cp "$harness" "$root/kestrin/guest-harness"
cp "$artifacts/apply.pro" "$artifacts"/*.hex "$root/kestrin/"
if ((bluetooth)); then
  modules=("${bluetooth_modules[@]}")
  for binary in "${bluez_binaries[@]}"; do
    mkdir -p "$root/$(dirname "$binary")"
    cp "$packages/root/$binary" "$root/$binary"
    binaries+=("$root/$binary")
  done
  cp "$mouse" "$root/kestrin/kestrin-virtual-mouse"
  cp -r "$guest_files"/. "$root/kestrin/"
else
  modules=("${hid_modules[@]}")
  cp "$drivers/libhiddriver_1.so" "$drivers/libhiddriver_2.so" "$root/kestrin/"
  printf '#!/bin/sh\nexec /kestrin/guest-harness /kestrin /kestrin\n' >"$root/kestrin/run"
  chmod +x "$root/kestrin/run"
fi
for module in "${modules[@]}"; do
  cp "$cache/modules/$module.ko" "$root/modules/"
  echo "$module" >>"$root/modules/order"
done
missing=$(missing_libraries "${binaries[@]}")
[[ -z "$missing" ]] || die "no package brought $(echo $missing)"
for binary in "${binaries[@]}"; do
  LD_LIBRARY_PATH=$(package_libraries) ldd "$binary" | grep -o '/[^ ]*' || true
done | sort -u | while read -r library; do
  # A library a downloaded package brought lands where the guest's loader looks for it.
  target=${library#"$packages/root"}
  mkdir -p "$root$(dirname "$target")"
  cp -L "$library" "$root$target"
done
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initramfs.gz"

# Boot. The guest restarts after the harness, which ends qemu; the timeout only catches a
# hang. The pc machine rather than microvm: on a loaded host the kernel's PIT calibration of
# the TSC fails, and microvm has no HPET or ACPI timer to fall back on, so its boot stalls.
console=$artifacts/console.log
echo "kernel-test: booting (console log: $console)"
status=0
limit=240 memory=512
((bluetooth)) && limit=600 memory=1024
timeout --kill-after=10 $limit qemu-system-x86_64 -accel tcg -M pc -m $memory -smp 1 \
  -nographic -no-reboot -nodefaults -serial stdio -monitor none \
  -kernel "$cache/vmlinux" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 panic=-1 reboot=t" </dev/null >"$console" 2>&1 || status=$?

report=$(sed -n '/^KESTRIN-GUEST-REPORT-BEGIN/,/^KESTRIN-GUEST-REPORT-END/p' "$console" | tr -d '\r')
grep -E '^(ok|not ok|#) ' <<<"$report" || true
verdict=$(grep 'KESTRIN-GUEST-VERDICT:' <<<"$report" | tail -n 1 || true)
if ((status == 124 || status == 137)); then
  tail -n 40 "$console" >&2
  die "the guest did not finish within $limit s (hang?); console log: $console"
fi
[[ -n "$verdict" ]] || {
  tail -n 40 "$console" >&2
  die "the guest gave no verdict (qemu status $status); console log: $console"
}
echo "kernel-test: $verdict"
echo "$verdict" >"$artifacts/verdict"
[[ "$verdict" == *": PASS "* ]] && ! grep -q 'VERDICT: FAIL' "$console" ||
  die "the guest's checks failed; console log: $console"
