#!/usr/bin/env bash
# Builds and runs the whole test suite headless, then again under ASan and UBSan.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

"$here/scripts/setup.sh" release | tail -n 1
ctest --test-dir "$here/build" --output-on-failure -j "$(nproc)"

"$here/scripts/setup.sh" asan | tail -n 1
ctest --test-dir "$here/build-asan" --output-on-failure -j "$(nproc)"
