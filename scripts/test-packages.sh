#!/usr/bin/env bash
# Builds both packages and tests them as installed.
#   Debian: the .deb built with debhelper in build/packages/, lintian without
#   errors or warnings, installed with apt-get, the installed tools and the
#   README's headless run from /usr/bin, the desktop entry, metainfo and
#   manual pages validated, and apt-get purge leaving nothing behind.
#   Windows: the NSIS installer from the mingw build (scripts/test-windows.sh
#   builds it; only what is missing is built here), installed silently under
#   Wine in a fresh prefix, the end-to-end run against the installed program,
#   and the uninstaller (tests/winui/installer.sh).
# REMORRA_PACKAGES="deb" or "windows" narrows it. Installs and removes the
# package on this machine: run it where that is wanted (CI, a test machine).
# `scripts/test-packages.sh build` only builds them: build/packages/*.deb and
# build/mingw/remorra-setup-VERSION.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
legs=${REMORRA_PACKAGES:-deb windows}
build_only=""
[ "${1:-}" = build ] && build_only=1
version=$(sed -n 's/^project(Remorra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "--- $*"; }

# The man pages are the reference: every option of remorra-ir's usage in the
# README and every environment variable the README names that the program
# reads must be in them.
check_man_coverage() {
  local man_text=$1 usage
  usage=$(sed -n '/^## remorra-ir/,/^## /p' README.md | sed -n '/^```$/,/^```$/p')
  for opt in $(grep -o -- '--[a-z0-9-]*' <<<"$usage" | sort -u) decode encode send; do
    grep -q -- "$opt" "$man_text" || fail "the manual pages lack $opt"
  done
  local read_vars
  read_vars=$(grep -rhoE 'getenv\("[A-Z_]+"\)' app keys platform ir qt tools | grep -oE '[A-Z_]{4,}' | sort -u)
  for var in $(grep -oE '\b(REMORRA|XDG)_[A-Z_]+' README.md | sort -u); do
    grep -qx "$var" <<<"$read_vars" || continue
    grep -q "$var" "$man_text" || fail "the manual pages lack $var"
  done
}

deb_leg() {
  local out=build/packages log
  step "Debian package (debhelper) in $out"
  scripts/setup.sh scripts/packages-packaging.txt
  rm -rf "$out"
  mkdir -p "$out/src"
  # dpkg-buildpackage writes beside the source tree: a copy keeps the
  # results in build/.
  tar -C "$root" --exclude=./build --exclude=./.git --exclude='./obj-*' -cf - . | tar -C "$out/src" -xf -
  if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$root/$out/src
  fi
  log=$out/build.log
  if ! (cd "$out/src" && dpkg-buildpackage -b -us -uc -j"$(nproc)") >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    fail "dpkg-buildpackage (log: $log)"
    return
  fi
  local deb changes
  deb=$(ls "$root/$out"/remorra_"$version"_*.deb)
  changes=$(ls "$root/$out"/remorra_"$version"_*.changes)
  echo "built $(basename "$deb")"
  dpkg-deb -f "$deb" Depends | sed 's/^/  Depends: /'
  [ -n "$build_only" ] && return

  step "lintian"
  lintian --fail-on error,warning --display-info "$changes" || fail "lintian"

  step "apt-get install ./$(basename "$deb")"
  dpkg-query -W -f='${Status}' remorra 2>/dev/null | grep -q installed && $sudo apt-get purge -y -qq remorra >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null || { fail "apt-get install"; return; }
  dpkg -L remorra | sort >"$out/files"
  for f in /usr/bin/remorra /usr/bin/remorra-ir /usr/share/remorra/Original.xml \
           /usr/share/applications/remorra.desktop /usr/share/metainfo/app.remorra.Remorra.metainfo.xml \
           /usr/share/icons/hicolor/scalable/apps/remorra.svg /usr/share/icons/hicolor/48x48/apps/remorra.png \
           /usr/share/man/man1/remorra.1.gz /usr/share/man/man1/remorra-ir.1.gz \
           /usr/lib/udev/rules.d/70-remorra.rules /usr/share/doc/remorra/copyright; do
    [ -f "$f" ] || fail "not installed: $f"
  done

  step "the installed tools"
  (cd / && remorra --version) | tee "$out/version"
  grep -qxF "Remorra Version: $version " "$out/version" || fail "remorra --version"
  [ "$(command -v remorra)" = /usr/bin/remorra ] || fail "remorra is not /usr/bin/remorra"
  local decoded
  decoded=$(cd / && /usr/bin/remorra-ir encode nec 0xFB04 0x12 | /usr/bin/remorra-ir decode)
  echo "$decoded"
  [ "$decoded" = "nec address=0xFB04 command=0x12 repeat=0" ] || fail "remorra-ir encode | decode"
  # Not beside the program, the template comes from the data folder compiled in.
  grep -qF 'REMORRA_DATA_DIR=\"/usr/share/remorra\"' "$out/build.log" ||
    fail "the package was not built to look in /usr/share/remorra"

  step "validators"
  desktop-file-validate /usr/share/applications/remorra.desktop || fail "desktop-file-validate"
  appstreamcli validate --no-net /usr/share/metainfo/app.remorra.Remorra.metainfo.xml || fail "appstreamcli validate"
  local page warnings
  : >"$out/man.txt"
  for page in /usr/share/man/man1/remorra.1.gz /usr/share/man/man1/remorra-ir.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man -l $page: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$page" 2>/dev/null | col -b >>"$out/man.txt"
  done
  check_man_coverage "$out/man.txt"
  # One version everywhere (the .deb's name already ties debian/changelog to it).
  grep -q "<release version=\"$version\"" /usr/share/metainfo/app.remorra.Remorra.metainfo.xml ||
    fail "the metainfo's newest release is not $version"
  [ "$(grep -c "Remorra $version" "$out/man.txt")" -ge 2 ] || fail "the manual pages are not of $version"

  step "the README's headless run against /usr/bin/remorra"
  local tries=0
  # Live IR is timed on the real clock; a stalled machine can spoil every
  # frame of one run.
  until REMORRA_SCREENSHOT=$root/$out/remorra-window.png scripts/run.sh /usr/bin/remorra >"$out/run.txt" 2>&1 &&
        grep -q '^Remorra ended cleanly\.$' "$out/run.txt" && grep -q '^  KeyPress' "$out/run.txt"; do
    tries=$((tries + 1))
    if [ $tries -ge 2 ]; then
      fail "scripts/run.sh /usr/bin/remorra"
      break
    fi
  done
  sed 's/^/  /' "$out/run.txt"

  step "apt-get purge remorra"
  $sudo apt-get purge -y -qq remorra >/dev/null || fail "apt-get purge"
  dpkg-query -W -f='${Status}\n' remorra 2>/dev/null | grep -q 'config-files\|installed' && fail "dpkg still knows remorra"
  local left=0 f
  while read -r f; do
    if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left behind: $f" >&2; left=1; fi
  done <"$out/files"
  for f in /usr/share/remorra /usr/share/doc/remorra; do
    [ -e "$f" ] && { echo "left behind: $f" >&2; left=1; }
  done
  [ $left -eq 0 ] || fail "apt-get purge left files"
}

windows_leg() {
  step "Windows installer (NSIS) from the mingw build"
  scripts/setup.sh scripts/packages-windows.txt
  scripts/fetch-windows-sources.sh >/dev/null
  # Configured already by the Windows leg: this finds makensis and builds
  # only what the installer and its test need.
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target installer remorra-post >build/mingw/installer.log 2>&1 ||
    { tail -n 40 build/mingw/installer.log >&2; fail "installer build"; return; }
  local setup=build/mingw/remorra-setup-$version.exe
  [ -f "$setup" ] || { fail "no $setup"; return; }
  echo "built $setup ($(du -k "$setup" | cut -f1) KiB)"
  [ -n "$build_only" ] && return
  tests/support/with-xvfb.sh tests/winui/installer.sh "$root/$setup" \
    "$root/build/mingw/tests/winui/remorra-post.exe" "$version" || fail "the installer under Wine"
}

for leg in $legs; do
  case $leg in
    deb) deb_leg ;;
    windows) windows_leg ;;
    *) echo "test-packages.sh: unknown leg $leg" >&2; exit 2 ;;
  esac
done
if [ $failures -eq 0 ]; then echo "packages: all checks passed"; else echo "packages: $failures checks failed"; fi
[ $failures -eq 0 ]
