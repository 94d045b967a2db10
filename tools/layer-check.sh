#!/usr/bin/env bash
# Fails when a source file includes a folder above its own layer, or includes Qt below the
# windows. Every top-level folder with sources must have a layer here; tests/ and bench/ may
# include anything.
#
#   tools/layer-check.sh [SOURCE_DIR]
set -euo pipefail

root=${1:-$(dirname "$0")/..}
cd "$root"

# What each folder's files may include besides their own folder, lowest layer first.
declare -A may_include=(
  [base]=""
  [macros]="base keys"
  [patterns]="base"
  [profiles]="base macros patterns"
  [protocol]="base macros patterns profiles"
  [keys]="base"
  [drivers]="base"
  [hook]="base"
  [device]="base macros patterns profiles protocol"
  [keyboard]="base"
  [platform]="base"
  [ui]="base platform"
  [page]="base macros patterns profiles protocol keys device platform ui"
  [app]="base macros patterns profiles protocol keys device keyboard platform ui page"
  [tools]="base macros patterns profiles protocol keys device keyboard"
)
# Folders built without Qt: the core, the run-time libraries and the device side.
qt_free=" base macros patterns profiles protocol keys drivers hook device keyboard tools "
unlayered=" tests bench skin cmake "

problems=0
problem() {
  echo "layer-check: $*" >&2
  problems=$((problems + 1))
}

for dir in */; do
  folder=${dir%/}
  [[ $unlayered == *" $folder "* || $folder == build* ]] && continue
  mapfile -t files < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) | sort)
  ((${#files[@]})) || continue
  if [[ ! -v may_include[$folder] ]]; then
    problem "$folder/ has sources but no layer: give it one in tools/layer-check.sh"
    continue
  fi
  allowed=" $folder ${may_include[$folder]} "
  for file in "${files[@]}"; do
    while IFS= read -r line; do
      header=${line#*\"}
      header=${header%%\"*}
      target=${header%%/*}
      # Only paths into another layered folder are ours; "moc_x.cpp" and the like are not.
      [[ $header == */* && -v may_include[$target] ]] || continue
      [[ $allowed == *" $target "* ]] ||
        problem "$file includes $header: $folder/ may include only${allowed% }"
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
    if [[ $qt_free == *" $folder "* ]] &&
      grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
      problem "$file includes Qt: $folder/ is built without Qt"
    fi
  done
done

if ((problems)); then
  echo "layer-check: $problems include(s) against the layers" >&2
  exit 1
fi
echo "layer-check: every include follows the layers"
