#!/usr/bin/env bash
# Checks that the includes of src/ run down the layers only:
#   app -> windows -> archive -> data -> link -> serial, widgets -> runtime
# A folder may include its own files and those of the layers below it, never those above it,
# and serial and widgets do not include each other. Prints every include that runs the wrong
# way and fails if there is one.
#   include_layers.sh <src folder>
set -euo pipefail

src=${1:?usage: include_layers.sh <src folder>}

# The folders each folder may include, itself included.
declare -A allowed=(
  [runtime]="runtime"
  [serial]="serial runtime"
  [widgets]="widgets runtime"
  [link]="link serial widgets runtime"
  [data]="data link serial widgets runtime"
  [archive]="archive data link serial widgets runtime"
  [windows]="windows archive data link serial widgets runtime"
  [app]="app windows archive data link serial widgets runtime"
)

status=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "include_layers: src/$folder has no place in the layers; add it to this script"
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's|^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)/.*|\1|' <<<"$text")
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *)
        echo "${file#"$src"/}:$line: src/$folder includes from src/$target, a layer above it or beside it: $text"
        status=1
        ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' "$dir" || true)
done

if [ $status -eq 0 ]; then
  echo "include_layers: every include of src/ runs down the layers"
fi
exit $status
