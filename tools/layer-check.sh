#!/usr/bin/env bash
# Fails when a source file includes one of our folders above its own layer, or a system
# library its layer does not use. Every folder with sources must have a layer here; tests/ and
# bench/ may include anything. The README's Architecture table lists the same layers, one row
# each, in this order; `--table` prints them for comparing.
#
#   tools/layer-check.sh [SOURCE_DIR]
#   tools/layer-check.sh --table
set -euo pipefail

# Lowest layer first: the folder, the folders of ours it may include besides its own, and the
# system libraries it may include. A file belongs to the longest folder that holds it.
layers=(
  "base||"
  "keys|base|"
  "macros|base keys|"
  "patterns|base|"
  "profiles|base macros patterns|"
  "protocol|base macros patterns profiles|"
  "drivers|base|hidapi libudev"
  "hook|base|X11"
  "device|base macros patterns profiles protocol|hidapi"
  "keyboard|base|X11"
  "platform|base|Qt X11"
  "ui|base platform|Qt"
  "page|base macros patterns profiles protocol keys device platform ui|Qt"
  "app|base macros patterns profiles protocol keys device keyboard platform ui page|Qt"
  "tools/kestrinctl|base macros patterns profiles protocol keys device keyboard|"
  # The virtual mouse checks the program's reports with rules of its own, so it shares none of
  # the program's code that builds them.
  "tools/virtualmouse|base|sd-bus"
)
# How each system library's headers are named in an include.
declare -A library_headers=(
  [Qt]='Q[A-Za-z0-9]*(/.*)?'
  [X11]='(X11|xcb|xkbcommon)/.*'
  [hidapi]='hidapi(/.*|\.h)'
  [libudev]='libudev\.h'
  [sd-bus]='systemd/.*'
)
unlayered=" tests bench skin cmake "

declare -A may_include=() may_use=()
for layer in "${layers[@]}"; do
  IFS='|' read -r folder ours system <<<"$layer"
  may_include[$folder]=$ours
  may_use[$folder]=$system
done

if [[ ${1-} == --table ]]; then
  for layer in "${layers[@]}"; do
    IFS='|' read -r folder ours system <<<"$layer"
    echo "$folder|$ours|$system"
  done
  exit 0
fi

root=${1:-$(dirname "$0")/..}
cd "$root"

# Sets `layer` to the layer holding PATH: its longest layered folder, or nothing.
layer_of() {
  local path=$1
  layer=
  while [[ $path == */* ]]; do
    path=${path%/*}
    [[ -v may_include[$path] ]] && { layer=$path; return; }
  done
}

problems=0
problem() {
  echo "layer-check: $*" >&2
  problems=$((problems + 1))
}

declare -A told=()
while IFS= read -r file; do
  top=${file%%/*}
  [[ $unlayered == *" $top "* || $top == build* ]] && continue
  layer_of "$file"
  folder=$layer
  if [[ -z $folder ]]; then
    place=${file%/*}
    [[ -v told[$place] ]] ||
      problem "$place/ has sources but no layer: give it one in tools/layer-check.sh"
    told[$place]=1
    continue
  fi
  allowed=" $folder ${may_include[$folder]} "
  while IFS= read -r line; do
    header=${line#*\"}
    header=${header%%\"*}
    # Only paths into a layered folder are ours; "moc_x.cpp" and the like are not.
    [[ $header == */* ]] || continue
    layer_of "$header"
    target=$layer
    [[ -n $target ]] || continue
    [[ $allowed == *" $target "* ]] ||
      problem "$file includes $header: $folder/ may include only${allowed% }"
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
  while IFS= read -r line; do
    header=${line#*<}
    header=${header%%>*}
    for library in "${!library_headers[@]}"; do
      [[ $header =~ ^${library_headers[$library]}$ ]] || continue
      [[ " ${may_use[$folder]} " == *" $library "* ]] ||
        problem "$file includes <$header>: $folder/ is built without $library"
    done
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$file" || true)
done < <(find . \( -path './build*' -o -path './.*' \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -printf '%P\n' | sort)

if ((problems)); then
  echo "layer-check: $problems include(s) against the layers" >&2
  exit 1
fi
echo "layer-check: every include follows the layers"
