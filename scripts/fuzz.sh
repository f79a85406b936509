#!/usr/bin/env bash
# Builds the fuzz preset (libFuzzer, ASan + UBSan, clang 14) and runs every
# fuzz target for SECONDS (default 45) from its committed seed corpus and the
# folders its REMORRA_FUZZ_SEEDS_ line in tests/fuzz/CMakeLists.txt names
# (capture_reader: tests/data/ir). Fails on any finding; the crashing input is
# kept under build/fuzz/findings/TARGET/.
# New inputs go to build/fuzz/corpus-work/, never into the committed corpus.
# REMORRA_FUZZ_TARGETS="capture_reader config_ini" narrows the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
targets=${REMORRA_FUZZ_TARGETS:-$(sed -n 's/^set(REMORRA_FUZZ_TARGETS \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
passed=0
failed=0
printf '%-18s %10s %10s %8s  %s\n' target seconds execs corpus result
for t in $targets; do
  work=build/fuzz/corpus-work/$t
  findings=build/fuzz/findings/$t
  log=build/fuzz/logs/$t.log
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  result=ok
  seeds=$(sed -n "s/^set(REMORRA_FUZZ_SEEDS_$t \(.*\))$/\1/p" tests/fuzz/CMakeLists.txt)
  # shellcheck disable=SC2086 # a list of folders
  if ! build/fuzz/tests/fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" tests/fuzz/corpus/"$t" $seeds >"$log" 2>&1; then
    result="FINDING (see $log, input in $findings/)"
  fi
  if [ "$result" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  size=$(find "$work" -type f | wc -l)
  printf '%-18s %10s %10s %8s  %s\n' "$t" "$seconds" "${execs:-?}" "$size" "$result"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
