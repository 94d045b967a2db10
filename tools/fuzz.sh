#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build folder briefly: a smoke run, not a campaign.
# usage: tools/fuzz.sh BUILD_DIR [SECONDS_EACH]
set -euo pipefail

build=${1:?usage: fuzz.sh BUILD_DIR [SECONDS_EACH]}
seconds=${2:-20}
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if ((${#targets[@]} == 0)); then
  echo "fuzz: no targets in $build/fuzz" >&2
  exit 1
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=0 -close_fd_mask=3 \
    -artifact_prefix="$build/fuzz-corpus/$name-" "$corpus" \
    > "$build/fuzz-corpus/$name.log" 2>&1 || {
    tail -n 60 "$build/fuzz-corpus/$name.log"
    echo "fuzz: $name FAILED" >&2
    exit 1
  }
done
echo "fuzz: ${#targets[@]} targets passed"
