#!/usr/bin/env bash
# Builds and runs every test: g++ debug, clang with ASan+UBSan and clang with
# TSan; then every fuzz target for a bounded time (FUZZ_SECONDS, default 20)
# and the Windows cross-build with its tests under Wine; last the Debian package
# and the Windows installer, tested as installed (from the builds above).
# REMORRA_PRESETS="dev asan" runs only those presets, without fuzzing or Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
status=0
for preset in ${REMORRA_PRESETS:-dev asan tsan}; do
  echo "=== preset $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  # Tests in virtual time run once. Those on the wall clock (label wallclock:
  # the card playing IR live, the end-to-end runs) can lose more frames than
  # they tolerate when a shared machine stalls; one that fails three times
  # running fails.
  ctest --preset "$preset" -j "$jobs" -LE wallclock || status=1
  ctest --preset "$preset" -j "$jobs" -L wallclock --repeat until-pass:3 || status=1
done
if [ -z "${REMORRA_PRESETS:-}" ]; then
  echo "=== fuzzing"
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}" || status=1
  echo "=== Windows"
  scripts/test-windows.sh || status=1
  echo "=== packages"
  scripts/test-packages.sh || status=1
fi
exit $status
