#!/usr/bin/env bash
# scripts/run.sh [PROGRAM]: runs Remorra, the release build's unless PROGRAM
# names another (an installed /usr/bin/remorra); remorra-ir is the one beside
# it, else the release build's. With a display it simply starts the
# program (the device chooser comes first, as on any first start). Without
# one it shows the program at work on a private X server: a tray host, Remorra
# on the simulated card, a few remote buttons pressed with `remorra-ir send`,
# the keys the decoder saw and the strokes a focused test window received,
# and a screenshot of the window (when the release build has remorra-shot);
# then it ends the program the way log-out does.
set -euo pipefail
remorra=${1:-}
case $remorra in
  "") ;;
  */*) remorra=$(cd "$(dirname "$remorra")" && pwd)/$(basename "$remorra") ;;
  *) remorra=$(command -v "$remorra" || echo "$remorra") ;;
esac
cd "$(dirname "$0")/.."
bin=build/release
remorra=${remorra:-$PWD/$bin/qt/remorra}
remorra_ir=$(dirname "$remorra")/remorra-ir
[ -x "$remorra_ir" ] || remorra_ir=$bin/tools/remorra-ir/remorra-ir
if [ ! -x "$remorra" ]; then
  echo "nothing is built yet; build the release preset first (or name the program to run)" >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ] && [ -z "${REMORRA_DEMO:-}" ]; then
  exec "$remorra"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec tests/support/with-xvfb.sh env REMORRA_DEMO=1 "$0" "$remorra"
fi

# On the private display from here on.
for tool in trayer xdotool xev; do
  command -v $tool >/dev/null || { echo "run.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
work=$(mktemp -d)
export REMORRA_DOCUMENTS=$work/Documents REMORRA_LOG=$work/Remorra.log XDG_RUNTIME_DIR=$work/run
mkdir -p "$REMORRA_DOCUMENTS" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
wait_for() {
  local what=$1 deadline=$((SECONDS + 30)); shift
  while [ $SECONDS -lt $deadline ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  echo "run.sh: timed out waiting for $what" >&2
  exit 1
}
window() { xdotool search --onlyvisible --name "$1" | head -1; }

trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 >/dev/null 2>&1 &
pids+=($!)
wait_for "the tray host" window '^panel$'

echo "Starting $remorra on the simulated card; answering the device chooser with OK."
REMORRA_TRACE=1 "$remorra" 2>"$work/trace" &
remorra_pid=$!
pids+=($remorra_pid)
wait_for "the device chooser" window '^Choose Device$'
xdotool windowfocus --sync "$(window '^Choose Device$')" key Return
wait_for "the main window" window '^Remorra Version'
main_window=$(window '^Remorra Version')
echo "Window: $(xdotool getwindowname "$main_window")"
echo "Log:"
sed 's/^/  /' "$REMORRA_LOG"

shot=${REMORRA_SCREENSHOT:-$PWD/remorra-window.png}
if [ -x "$bin/tools/remorra-shot/remorra-shot" ]; then
  "$bin/tools/remorra-shot/remorra-shot" "$shot" "$main_window" && echo "Screenshot of the window: $shot"
fi

# A plain X window with the keyboard focus records what arrives.
xev -name remorra-keys -event keyboard >"$work/xev" 2>/dev/null &
pids+=($!)
wait_for "the test window" window '^remorra-keys$'
xdotool windowfocus --sync "$(window '^remorra-keys$')"

buttons=(Up Down OK Right)
echo "Pressing: ${buttons[*]}"
if "$remorra_ir" send "${buttons[@]}"; then
  # send returns once the card has played; the strokes follow within the hold-off.
  presses() { grep -c '^KeyPress' "$work/xev" || true; }
  deadline=$((SECONDS + 5))
  while [ "$(presses)" -lt ${#buttons[@]} ] && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
  echo "Keys the decoder saw:"
  grep -E "Last bit detected|Repeat detected" "$work/trace" | sed 's/^/  /' || echo "  (none)"
  echo "Strokes the focused window received:"
  awk '/^KeyPress|^KeyRelease/ {kind = $1} /keysym/ {match($0, /keysym 0x[0-9a-f]+, [^)]+/);
       if (kind) print "  " kind " " substr($0, RSTART + 7, RLENGTH - 7); kind = ""}' "$work/xev"
else
  echo "remorra-ir send could not play the buttons" >&2
fi

echo "Ending Remorra as log-out does (SIGTERM)."
kill -TERM "$remorra_pid"
wait "$remorra_pid" && echo "Remorra ended cleanly."
