#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine (CMake's emulator for the
# mingw preset). Uses $WINEPREFIX when set (scripts/test-windows.sh makes a
# fresh one per run), else a prefix in the build tree made on first use.
# The prefix is booted once, under a lock, before anything runs in it.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  here=$(cd "$(dirname "$0")/.." && pwd)
  export WINEPREFIX="$here/build/mingw/wineprefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts while booting: the tests need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=$(command -v wine || true)
if [ -z "$wine" ]; then
  echo "wine-run.sh: Wine is not installed (scripts/packages-windows.txt)" >&2
  exit 127
fi
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.remorra-booted" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    wineserver -w || true
    touch "$WINEPREFIX/.remorra-booted"
  fi
) 9>"$WINEPREFIX.lock"
exec "$wine" "$@"
