#!/usr/bin/env bash
# Runs the gallery's screenshot mode into a temporary folder and checks one non-empty PNG per page.
set -euo pipefail
gallery=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mapfile -t pages < <("$gallery" --list)
if [ "${#pages[@]}" -eq 0 ]; then
  echo "the gallery lists no pages" >&2
  exit 1
fi
"$gallery" --screenshot "$out"
status=0
for page in "${pages[@]}"; do
  file="$out/$page.png"
  if [ ! -s "$file" ]; then
    echo "page $page wrote no PNG" >&2
    status=1
  elif [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ]; then
    echo "page $page wrote something that is not a PNG" >&2
    status=1
  fi
done
echo "${#pages[@]} pages checked"
exit $status
