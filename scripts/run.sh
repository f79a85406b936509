#!/usr/bin/env bash
# Runs the release build on the simulated tuner card.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/release/qt/remorra ]; then
  exec build/release/qt/remorra "$@"
fi
echo "remorra is not built yet; build the release preset first" >&2
exit 1
