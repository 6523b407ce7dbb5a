#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (clang) and runs each for SECONDS (default 60) from
# its seed corpus in fuzz/corpus/. New inputs go to build-fuzz/corpus/, findings to
# build-fuzz/findings/. Exits 1 when any target found something.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

dir="$("$here/scripts/setup.sh" fuzz | tail -n 1)"
mkdir -p "$dir/corpus" "$dir/findings" "$dir/logs"
failed=0
printf '%-22s %12s  %s\n' target executions result
for exe in "$dir"/bin/fuzz_*; do
  name="$(basename "$exe")"
  seeds="$here/fuzz/corpus/${name#fuzz_}"
  work="$dir/corpus/${name#fuzz_}"
  mkdir -p "$work"
  log="$dir/logs/$name.log"
  set +e
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$name-" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)"
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    result="FOUND something (exit $rc), see $log"
    failed=1
  fi
  printf '%-22s %12s  %s\n' "$name" "${runs:-?}" "$result"
done
exit "$failed"
