#!/usr/bin/env bash
# Runs `make deps` and then a command (`make check` unless given) in a fresh Debian 12 root, from a
# clean clone of this checkout's HEAD, as a new machine would: only `make` and `git` are there
# beforehand, so a package missing from tools/install-deps.sh fails here. Needs root.
#
#   tools/fresh-root-check.sh [--keep] [COMMAND...]
#
# The base system (debootstrap's minbase of bookworm plus make and git) is kept in the cache folder,
# $KESTRIN_CI_CACHE (default /var/cache/kestrin-ci), and made anew when missing or a month old.
# Each run copies it, so every package the project needs is installed fresh; only downloads are
# kept between runs (the .deb files and the kernel the kernel test boots). The root is entered with
# chroot in private mount and PID namespaces with its own /proc, /dev, /sys and a tmpfs /tmp, and
# removed afterwards unless --keep is given. KESTRIN_FRESH_ROOT=1 there tells the tests that they
# may install into the root (package_test installs and purges the package). The log goes to the
# cache folder's last-run.log and build/artifacts/ comes back to this checkout's
# build/artifacts/fresh-root/.
set -euo pipefail

suite=bookworm
cache=${KESTRIN_CI_CACHE:-/var/cache/kestrin-ci}
base=$cache/base-$suite
base_max_age_days=30
log=$cache/last-run.log
tail_lines=150

say() { echo "fresh-root: $*"; }
die() {
  echo "fresh-root: FAIL: $*" >&2
  exit 1
}

# sanitizer_reports LOG: each failed test whose output holds a sanitizer's report, with the report's
# first line, so that a leak or a memory error is told from a failed check without reading the log.
sanitizer_reports() {
  awk '
    /^Test project / { build = $3; sub(".*/", "", build) }
    / Test +#[0-9]+: / {
      for (i = 1; i < NF; i++) if ($i ~ /^#[0-9]+:$/) test = $(i + 1)
    }
    /^==[0-9]+==ERROR: [A-Za-z]+Sanitizer|: runtime error: / {
      key = build " " test
      if (!(key in seen)) {
        seen[key] = 1
        line = $0
        sub(/^==[0-9]+==ERROR: /, "", line)
        printf "fresh-root: a sanitizer reported in %s, test %s: %s\n", build, test, substr(line, 1, 160)
      }
    }' "$1"
}

# Inside the namespaces: mount what a booted system has, then run each step in the root.
inside() {
  local root=$1
  shift
  mount --rbind /dev "$root/dev"
  mount --rbind /sys "$root/sys"
  mount -t proc proc "$root/proc"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"
  mount --bind "$cache/kernel" "$root/var/cache/kestrin-kernel"
  in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb CI="${CI:-}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      KESTRIN_KERNEL_CACHE=/var/cache/kestrin-kernel KESTRIN_FRESH_ROOT=1 \
      /bin/bash -c "cd /root/kestrin && $1"
  }
  # Runs a command in the root; its output goes to the log, and to the terminal with --show.
  step() {
    local show=0 start status=0
    if [[ "$1" == "--show" ]]; then
      show=1
      shift
    fi
    start=$(date +%s)
    say "$*" | tee -a "$log"
    if ((show)); then
      in_root "$*" 2>&1 | tee -a "$log"
      status=${PIPESTATUS[0]}
    else
      in_root "$*" >>"$log" 2>&1 || status=$?
    fi
    say "'$*' took $(($(date +%s) - start)) s, exit $status" | tee -a "$log"
    return "$status"
  }
  # apt's own output is long: the log keeps it, the terminal gets the summary.
  local status=0
  step make deps || status=$?
  grep -h '^deps: ' "$log" | cut -c1-120
  ((status == 0)) && { step --show "$@" || status=$?; }
  # Drop downloads the mirror no longer has, so the cache does not grow without end.
  in_root "apt-get autoclean -qq" >>"$log" 2>&1 || true
  return "$status"
}

# Outside: the base system, a fresh copy of it with a clone of HEAD, the run, the report.
main() {
  keep=0
  if [[ "${1:-}" == "--keep" ]]; then
    keep=1
    shift
  fi
  (($#)) || set -- make check
  ((EUID == 0)) || die "needs root (debootstrap, chroot and mount namespaces)"

  self=$(realpath "$0")
  repo=$(git -C "$(dirname "$self")/.." rev-parse --show-toplevel)
  commit=$(git -C "$repo" rev-parse HEAD)
  started=$(date +%s)
  stage_start=$started
  stage_done() {
    local now
    now=$(date +%s)
    say "$1: $((now - stage_start)) s"
    stage_start=$now
  }

  mkdir -p "$cache/apt-archives/partial" "$cache/debootstrap" "$cache/kernel" "$cache/runs"
  # One run at a time: a second would take the first's root for a stale one.
  exec 9>"$cache/lock"
  flock 9
  missing=()
  for tool in debootstrap unshare chroot; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if ((${#missing[@]})); then
    say "installing debootstrap on this machine"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap util-linux
  fi
  stage_done "host tools"

  if [[ -f "$base/.kestrin-base" ]] && [[ -z $(find "$base/.kestrin-base" -mtime +"$base_max_age_days") ]]; then
    say "base system from $(cat "$base/.kestrin-base")"
  else
    say "making the base system ($suite minbase, make, git)"
    rm -rf --one-file-system "$base.new"
    debootstrap --variant=minbase --include=make,git --cache-dir="$cache/debootstrap" \
      "$suite" "$base.new" >"$cache/debootstrap.log" 2>&1 ||
      { tail -n "$tail_lines" "$cache/debootstrap.log"; die "debootstrap failed"; }
    # The root reaches the same mirrors as this machine, security updates included.
    rm -f "$base.new/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list "$base.new/etc/apt/sources.list.d/" 2>/dev/null || true
    [[ -f /etc/apt/sources.list ]] && cp /etc/apt/sources.list "$base.new/etc/apt/"
    chroot "$base.new" apt-get clean
    mkdir -p "$base.new/var/cache/kestrin-kernel"
    date -u +%Y-%m-%dT%H:%MZ >"$base.new/.kestrin-base"
    rm -rf --one-file-system "$base"
    mv "$base.new" "$base"
  fi
  stage_done "base system"

  # Roots of runs that were killed before they could clean up.
  for old in "$cache"/runs/*; do
    if [[ -d "$old" ]] && ! findmnt -rn -o TARGET | grep -q "^$old/"; then
      rm -rf --one-file-system "$old"
    fi
  done
  root=$cache/runs/$(date -u +%Y%m%dT%H%M%S)-$$
  cleanup() {
    if ((keep)); then
      say "the root is kept in $root"
    elif findmnt -rn -o TARGET | grep -q "^$root/"; then
      say "not removing $root: something is still mounted in it"
    else
      rm -rf --one-file-system "$root"
    fi
  }
  trap cleanup EXIT
  cp -a "$base" "$root"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  git clone --quiet --no-hardlinks "$repo" "$root/root/kestrin"
  git -C "$root/root/kestrin" checkout --quiet --detach "$commit"
  say "commit $commit"
  stage_done "fresh root"

  : >"$log"
  status=0
  unshare --mount --pid --fork --kill-child --propagation private \
    "$self" --inside "$root" "$@" || status=$?
  mkdir -p "$repo/build/artifacts"
  rm -rf "$repo/build/artifacts/fresh-root"
  if [[ -d "$root/root/kestrin/build/artifacts" ]]; then
    cp -a "$root/root/kestrin/build/artifacts" "$repo/build/artifacts/fresh-root"
  fi
  stage_done "in the root"
  say "whole run: $((($(date +%s) - started) / 60)) min $((($(date +%s) - started) % 60)) s"
  if ((status != 0)); then
    echo "fresh-root: ---- the last $tail_lines lines of $log ----"
    tail -n "$tail_lines" "$log"
    sanitizer_reports "$log"
    die "'$*' failed in the fresh $suite root (exit $status)"
  fi
  say "'$*' passed in a fresh $suite root"
}

# Bash reads a script as it runs it: with everything in functions and the last line read whole,
# editing this file during a run cannot change the run.
if [[ "${1:-}" == "--inside" ]]; then shift; inside "$@"; else main "$@"; fi; exit
