#!/usr/bin/env bash
# Boots a real Linux kernel under qemu (emulated CPU, no KVM needed) with a small initramfs and
# runs the real driver libraries inside it against the virtual mouse behind /dev/uhid.
#
#   tools/kernel-test.sh --build DIR --harness FILE --profile-maker FILE --kestrinctl FILE
#                        --drivers DIR --init FILE
#
# The kernel is Debian's current linux-image-*-amd64 package, fetched with `apt-get download`
# (never installed) into DIR/kernel-cache, or $KESTRIN_KERNEL_CACHE where set, and reused from
# there. The guest's console log and the expected writes go to DIR/artifacts/kernel-test/. Exit status 0 only on the guest's PASS.
set -euo pipefail

die() {
  echo "kernel-test: FAIL: $*" >&2
  exit 1
}

build="" harness="" maker="" kestrinctl="" drivers="" init=""
while (($#)); do
  case "$1" in
    --build) build=$2 ;;
    --harness) harness=$2 ;;
    --profile-maker) maker=$2 ;;
    --kestrinctl) kestrinctl=$2 ;;
    --drivers) drivers=$2 ;;
    --init) init=$2 ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift 2
done
for name in build harness maker kestrinctl drivers init; do
  [[ -n "${!name}" ]] || die "--${name} is missing"
done
for file in "$harness" "$maker" "$kestrinctl" "$drivers/libhiddriver_1.so" \
  "$drivers/libhiddriver_2.so" "$init"; do
  [[ -e "$file" ]] || die "$file does not exist (build it first)"
done
command -v qemu-system-x86_64 >/dev/null || die "qemu-system-x86_64 is missing (make deps)"
busybox=/bin/busybox
[[ -x "$busybox" ]] && file -L "$busybox" | grep -q 'statically linked' ||
  die "$busybox is not a static busybox (make deps installs busybox-static)"

build=$(realpath "$build")
cache=${KESTRIN_KERNEL_CACHE:-$build/kernel-cache}
work=$build/kernel-test
artifacts=$build/artifacts/kernel-test
mkdir -p "$cache" "$artifacts"
rm -rf "$work"
mkdir -p "$work"

# The kernel: an uncompressed vmlinux (qemu boots it directly, through its PVH entry) and the three
# HID modules the guest loads.
current_kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1
}

download_kernel() {
  local package
  package=$(current_kernel_package)
  [[ -n "$package" ]] || return 1
  echo "kernel-test: fetching $package"
  (cd "$cache/download" && apt-get download "$package" >"$cache/download.log" 2>&1)
}

fetch_kernel() {
  rm -rf "$cache/download" "$cache/unpacked"
  mkdir -p "$cache/download"
  # Old package lists may name a kernel the mirror no longer has: refresh them once and retry.
  if ! download_kernel; then
    echo "kernel-test: refreshing the package lists"
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq >>"$cache/download.log" 2>&1 || true
    download_kernel ||
      die "cannot fetch the kernel package with apt-get download (no network?); see $cache/download.log"
  fi
  local package
  package=$(current_kernel_package)
  dpkg -x "$cache"/download/*.deb "$cache/unpacked" || die "cannot unpack $package"
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
  for module in hid hid-generic uhid; do
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
[[ -s "$cache/vmlinux" && -s "$cache/modules/uhid.ko" ]] || fetch_kernel
echo "kernel-test: kernel $(cat "$cache/package")"

# What a full apply writes, per link, as the companion tool prints it.
"$maker" "$artifacts/apply.pro"
"$kestrinctl" reports "$artifacts/apply.pro" --link cable >"$artifacts/cable.hex"
"$kestrinctl" reports "$artifacts/apply.pro" --link receiver >"$artifacts/receiver.hex"

# The initramfs: busybox, the harness, the libraries, everything they load.
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,modules,kestrin}
cp "$busybox" "$root/bin/busybox"
cp "$init" "$root/init"
cp "$cache"/modules/*.ko "$root/modules/"
cp "$harness" "$root/kestrin/guest-harness"
cp "$drivers/libhiddriver_1.so" "$drivers/libhiddriver_2.so" "$root/kestrin/"
cp "$artifacts/apply.pro" "$artifacts/cable.hex" "$artifacts/receiver.hex" "$root/kestrin/"
for binary in "$harness" "$drivers/libhiddriver_1.so" "$drivers/libhiddriver_2.so"; do
  ldd "$binary" | grep -o '/[^ ]*' || true
done | sort -u | while read -r library; do
  mkdir -p "$root$(dirname "$library")"
  cp -L "$library" "$root$library"
done
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initramfs.gz"

# Boot. The guest restarts after the harness, which ends qemu; the timeout only catches a
# hang. The pc machine rather than microvm: on a loaded host the kernel's PIT calibration of
# the TSC fails, and microvm has no HPET or ACPI timer to fall back on, so its boot stalls.
console=$artifacts/console.log
echo "kernel-test: booting (console log: $console)"
status=0
timeout --kill-after=10 240 qemu-system-x86_64 -accel tcg -M pc -m 512 -smp 1 \
  -nographic -no-reboot -nodefaults -serial stdio -monitor none \
  -kernel "$cache/vmlinux" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 panic=-1 reboot=t" </dev/null >"$console" 2>&1 || status=$?

report=$(sed -n '/^KESTRIN-GUEST-REPORT-BEGIN/,/^KESTRIN-GUEST-REPORT-END/p' "$console" | tr -d '\r')
grep -E '^(ok|not ok|#) ' <<<"$report" || true
verdict=$(grep 'KESTRIN-GUEST-VERDICT:' <<<"$report" | tail -n 1 || true)
if ((status == 124 || status == 137)); then
  tail -n 40 "$console" >&2
  die "the guest did not finish within 240 s (hang?); console log: $console"
fi
[[ -n "$verdict" ]] || {
  tail -n 40 "$console" >&2
  die "the guest gave no verdict (qemu status $status); console log: $console"
}
echo "kernel-test: $verdict"
[[ "$verdict" == *": PASS "* ]] && ! grep -q 'VERDICT: FAIL' "$console" ||
  die "the guest's checks failed; console log: $console"
