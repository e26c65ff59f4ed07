#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo volumes and runs the suite on them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
BUILD_DIR="$root/build" "$root/scripts/build.sh"
demo="$root/build/demo"
"$root/scripts/make_demo.sh" "$demo"
drives=(--drive "F=$demo/demo_fat32.img" --drive "N=$demo/demo_ntfs.img")
export PELLAMOR_BLOCK_DEVICES=0
if [ -x "$root/build/bin/Pellamor" ]; then
  exec "$root/build/bin/Pellamor" "${drives[@]}" --open F: "$@"
fi
echo "== drives"
"$root/build/bin/engine_probe" info "${drives[@]}"
for verb in "list F:" "list N: --all"; do
  echo "== $verb"
  "$root/build/bin/engine_probe" $verb "${drives[@]}" || true
done
