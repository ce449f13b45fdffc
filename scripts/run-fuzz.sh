#!/usr/bin/env bash
# make fuzz: runs every fuzz target of the fuzz build (build/fuzz) for FUZZ_SECONDS each and
# prints libFuzzer's summary per target: executions, coverage, the slowest input, and what it
# found. A target stops at its first crash; the input is kept in build/fuzz/artifacts/NAME/, as
# is any input that took more than a second (slow-unit-*): one input a reader takes seconds
# over is a fault too. The inputs libFuzzer adds go to build/fuzz/corpus/NAME/, never into
# the committed seeds.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
targets=("$build"/tests/fuzz/*_fuzz)
[ -x "${targets[0]}" ] || { echo "No fuzz targets in $build: run make fuzz" >&2; exit 1; }

summary=()
found_any=0
for target in "${targets[@]}"; do
  name=$(basename "$target" _fuzz)
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  log="$build/logs/$name.log"
  mkdir -p "$work" "$artifacts" "$build/logs"
  rm -f "$artifacts"/*
  echo "== $name: fuzzing for $seconds s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -report_slow_units=1 \
    -artifact_prefix="$artifacts/" \
    "$work" "tests/fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  grep -E '^(Done |stat::number_of_executed_units|stat::peak_rss_mb|stat::slowest_unit_time_sec)|^#[0-9]+ +DONE|ERROR|SUMMARY|Slowest unit' \
    "$log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  slowest=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$log" | tail -1)
  findings=$(find "$artifacts" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    found_any=1
    echo "   libFuzzer stopped (status $status); log: $log; inputs: $artifacts/"
  fi
  summary+=("$(printf '%-16s %12s executions  %6s coverage  slowest %3s s  %d findings' \
    "$name" "${runs:-?}" "${coverage:-?}" "${slowest:-?}" "$findings")")
done

echo
echo "Fuzzing summary ($seconds s per target):"
printf '  %s\n' "${summary[@]}"
exit "$found_any"
