#!/usr/bin/env bash
# own-prefix.sh PROGRAM.exe [ARG...]: runs a Windows program under Wine in a
# fresh prefix of its own on a private X server. A prefix's desktop process
# keeps the display it started on, so a window test sharing a prefix with
# tests of other X servers could not open its windows.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export HOME=$work/home WINEPREFIX=$work/prefix
mkdir -p "$HOME"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$here/tests/support/with-xvfb.sh" "$here/scripts/wine-run.sh" "$@"
