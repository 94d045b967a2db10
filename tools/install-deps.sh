#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run; only what is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # X11 input (hook library) and keyboard layouts, over xcb and xkbcommon
  libxcb1-dev libxcb-xinput-dev libxcb-xkb-dev libxcb-xtest0-dev x11proto-dev xkb-data
  libxkbcommon-dev libxkbcommon-x11-dev
  # a private X server for the hook and layout tests
  xvfb xauth x11-xkb-utils
  # the real driver libraries: feature reports over hidraw, device arrival and removal
  libhidapi-dev libudev-dev
  # the virtual mouse's Bluetooth side: a BlueZ-shaped service over sd-bus
  libsystemd-dev
  # the program's windows: Qt 6 Widgets, layouts loaded at run time, SVG images
  qt6-base-dev qt6-tools-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6
  # Debian's Qt UiTools config looks for Qt OpenGL, whose CMake files only its -dev brings
  libqt6opengl6-dev
  # a private D-Bus bus for the Bluetooth tests (never the machine's system bus)
  dbus-daemon
  # end-to-end tests and screenshots; the stacks of a program that hangs in one
  xdotool imagemagick time x11-utils gdb
  # the window managers the dialogs are tried under (xfwm4 under its own session bus), and a
  # notification area (trayer) for the tray's behaviour
  openbox icewm xfwm4 picom mutter trayer
  # the Wayland run: Weston's headless compositor and Qt's Wayland platform
  weston qt6-wayland
  # the installed launcher, the autostart entry and the metadata are validated; the autostart
  # entry is started as a session starts it (gio launch); kestrinctl's man page is in scdoc
  desktop-file-utils appstream scdoc libglib2.0-bin
  # the Debian package: CPack's DEB generator takes Depends from dpkg-shlibdeps; lintian checks it
  dpkg-dev lintian
  # the kernel test: qemu boots Debian's kernel (fetched by tools/kernel-test.sh with
  # apt-get download, never installed) with a busybox initramfs
  qemu-system-x86 busybox-static xz-utils file
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo=()
if ((EUID != 0)); then
  sudo=(sudo)
fi
echo "deps: installing ${#missing[@]} of ${#packages[@]} packages: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
