#!/usr/bin/env bash
# Runs a command against a private X server: Xvfb on the first free display,
# DISPLAY exported for the command, the server stopped afterwards whatever the
# command's outcome. The command's exit status is passed on.
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: with-xvfb.sh COMMAND [ARG...]" >&2
  exit 2
fi
command -v Xvfb >/dev/null || { echo "with-xvfb.sh: Xvfb is not installed" >&2; exit 2; }
fifo=$(mktemp -u)
mkfifo "$fifo"
# -displayfd makes the server pick a free display and tell us its number once
# it accepts connections, so nothing has to poll or sleep.
# -noreset: by default the server resets whenever its last client leaves and
# refuses connections meanwhile, which fails a test's next connection.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$fifo"' EXIT
read -r display <"$fifo" || { echo "with-xvfb.sh: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$display"
set +e
"$@"
status=$?
exit $status
