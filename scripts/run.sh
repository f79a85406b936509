#!/usr/bin/env bash
# Runs the release build on the simulated tuner card. Until the windowed program
# is built, replays a few frames of the card's remote through the decoder tool.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/release/qt/remorra ]; then
  exec build/release/qt/remorra "$@"
fi
tool=build/release/tools/remorra-ir/remorra-ir
if [ ! -x "$tool" ]; then
  echo "nothing is built yet; build the release preset first" >&2
  exit 1
fi
echo "Simulated tuner card, NEC remote: Up, OK (held: two repeat codes), Power"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$tool" encode nec 0xFB04 0x81 >"$dir/Up"
"$tool" encode nec 0xFB04 0x99 --repeats 3 >"$dir/OK"
"$tool" encode nec 0xFB04 0x84 >"$dir/Power"
cd "$dir" && exec "$OLDPWD/$tool" decode Up OK Power
