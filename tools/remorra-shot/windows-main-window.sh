#!/usr/bin/env bash
# Takes the picture of remorra.exe's main window under Wine for the README:
#   tools/remorra-shot/windows-main-window.sh OUT.png
# Needs the mingw build (remorra.exe) and the dev build (remorra-shot). Runs a
# private X server and a fresh Wine prefix whose home holds a remembered
# simulated card and a profile "Music" with a few bindings, selected.
set -euo pipefail
out=$(realpath -m "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
remorra=${REMORRA_EXE:-$root/build/mingw/win32ui/remorra.exe}
shot=${REMORRA_SHOT:-$root/build/dev/tools/remorra-shot/remorra-shot}
[ -x "$shot" ] || { echo "build remorra-shot first (cmake --build --preset dev --target remorra-shot)" >&2; exit 2; }
[ -f "$remorra" ] || { echo "build remorra.exe first (cmake --build --preset mingw --target remorra)" >&2; exit 2; }

if [ -z "${DISPLAY:-}" ] || [ -z "${REMORRA_SHOT_INNER:-}" ]; then
  REMORRA_SHOT_INNER=1 exec "$root/tests/support/with-xvfb.sh" "$0" "$@"
fi

work=$(mktemp -d)
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# Wine links the prefix's Documents to the home folder.
data=$HOME/Remorra
mkdir -p "$data/Profile"
printf '[Config]\r\nbRememberDevice=1\r\nstrDevName=0: Quorbel Simulated Tuner\r\nselectplayernumber=1\r\n' >"$data/config.ini"

# Profile key: virtual key and hot-key modifiers (1 Shift, 2 Ctrl, 4 Alt, 8 extended).
binding() {
  case $1 in
    Power) echo "0x50 6" ;; CHLUp) echo "0x55 2" ;; CHLDown) echo "0x44 2" ;;
    Zoom) echo "0x0D 4" ;; EPG) echo "0x47 2" ;; Pause) echo "0x20 0" ;;
    Play) echo "0x50 3" ;; Stop) echo "0x53 3" ;; REW) echo "0x42 3" ;;
    FWD) echo "0x46 3" ;; Exit) echo "0x73 4" ;; *) echo "0 0" ;;
  esac
}
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<RemoteSetting>'
  for key in Power Mode Mute Menu CHLUp CHLDown VOLUp VOLDown Zoom Fav EPG Pause Record Recall SUB SNAP \
             Exit Clear Play Stop Replay REW FWD Skip RecordedTV; do
    read -r vk mods <<<"$(binding "$key")"
    printf '\t<%s>\n\t\t<Shift>%d</Shift>\n\t\t<Ctrl>%d</Ctrl>\n\t\t<Alt>%d</Alt>\n' "$key" \
      $(((mods & 1) != 0)) $(((mods & 2) != 0)) $(((mods & 4) != 0))
    printf '\t\t<VirtualKey>%d</VirtualKey>\n\t\t<Modifiers>%d</Modifiers>\n\t</%s>\n' "$((vk))" "$mods" "$key"
  done
  echo '</RemoteSetting>'
} >"$data/Profile/Music.xml"

"$root/scripts/wine-run.sh" "$remorra" >/dev/null 2>&1 &
deadline=$((SECONDS + 90))
window=""
while [ -z "$window" ] && [ $SECONDS -lt $deadline ]; do
  window=$(xdotool search --onlyvisible --name '^Remorra Version' 2>/dev/null | head -1 || true)
  [ -n "$window" ] || sleep 0.2
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
# The window maps before its controls have painted: take pictures until two
# in a row agree.
prev=$work/prev.png
QT_QPA_PLATFORM=xcb "$shot" "$prev" "$window"
for _ in $(seq 1 50); do
  sleep 0.2
  QT_QPA_PLATFORM=xcb "$shot" "$out" "$window"
  cmp -s "$prev" "$out" && { echo "$out"; exit 0; }
  cp "$out" "$prev"
done
echo "the window did not settle" >&2
exit 1
