#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test, then runs every test again in a
# sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export PATH="$PATH:/usr/sbin:/sbin"
export QT_QPA_PLATFORM=offscreen PELLAMOR_BLOCK_DEVICES=0
jobs=$(nproc)

BUILD_DIR="$root/build" "$root/scripts/build.sh"
status=0
(cd "$root/build" && ctest --output-on-failure -j "$jobs" --timeout 900) || status=1

BUILD_DIR="$root/build-asan" BUILD_TYPE=Debug "$root/scripts/build.sh" \
  -DPELLAMOR_SANITIZE=ON -DPELLAMOR_ENGINE_ONLY=OFF -DPELLAMOR_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp"
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs" --timeout 1800) || status=1

exit $status
