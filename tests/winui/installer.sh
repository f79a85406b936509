#!/usr/bin/env bash
# The Windows installer under Wine on a private X server (run through
# tests/support/with-xvfb.sh): installer.sh SETUP_EXE REMORRA_POST_EXE VERSION.
# A fresh prefix: silent install, what it installed and registered, the
# end-to-end run (e2e.sh) against the installed remorra.exe and remorra-ir.exe,
# then the silent uninstall, which must leave no program file and keep the
# user's Documents\Remorra.
set -euo pipefail
setup=$1
post=$2
version=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
mkdir -p "$HOME"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
run() { "$here/scripts/wine-run.sh" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Remorra'
program="$WINEPREFIX/drive_c/Program Files/Remorra"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Remorra.lnk"
installed=(remorra.exe remorra-ir.exe Original.xml uninstall.exe)

echo "--- the installer's version block"
for text in ProductVersion "$version" "Remorra Remote Control Setup"; do
  strings -e l "$setup" | grep -qxF "$text" || fail "no '$text' in the installer's version block"
done

echo "--- silent install"
run cmd /c exit 0 >/dev/null 2>&1 # boots the fresh prefix
run "$setup" /S
wineserver -w
for f in "${installed[@]}"; do [ -f "$program/$f" ] || fail "not installed: $f"; done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
run reg query "$uninst_key" >"$work/key" 2>/dev/null || fail "no uninstall entry"
tr -d '\r' <"$work/key" | sed 's/^/  /'
for value in "DisplayName.*Remorra" "DisplayVersion.*$version" "UninstallString.*uninstall.exe" \
             "QuietUninstallString.*/S"; do
  tr -d '\r' <"$work/key" | grep -q "$value" || fail "uninstall entry lacks $value"
done
run uninstaller --list 2>/dev/null | tr -d '\r' | grep -q '|Remorra$' || fail "not in the list of programs"

echo "--- end to end against the installed program"
docs=$(run cmd /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')
config=$(run winepath -u "$docs\\Documents\\Remorra\\config.ini" 2>/dev/null)
e2e() { REMORRA_E2E_KEEP_PREFIX=1 "$here/tests/winui/e2e.sh" "$program/remorra.exe" "$post" "$program/remorra-ir.exe"; }
# A second try from a first start again, as the suite tries its wall-clock
# tests (winui_e2e among them) again: live IR under Wine runs without
# real-time scheduling and a loaded machine can spoil every frame of one run.
if ! e2e; then
  wineserver -k 2>/dev/null || true
  rm -rf "$(dirname "$config")" "$WINEPREFIX/drive_c/Remorra.log"
  echo "--- end to end again"
  e2e || fail "the end-to-end run against the installed program"
fi
wineserver -w
[ -f "$config" ] || fail "the run left no config.ini"

echo "--- silent uninstall"
run "$program/uninstall.exe" /S
wineserver -w
[ ! -e "$program" ] || fail "left behind: $(find "$program" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! run reg query "$uninst_key" >/dev/null 2>&1 || fail "the uninstall entry is left"
[ -f "$config" ] || fail "the user's Documents\\Remorra went with the program"
echo "PASS"
