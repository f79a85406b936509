#!/usr/bin/env bash
# Unpacks Debian's pugixml source package into build/deps/pugixml for the
# Windows build (Debian ships no pugixml for MinGW, and its -dev package has
# only the headers). The source entries are the machine's own package sources
# turned into deb-src entries in a private list, so whichever mirror the
# machine uses serves the sources too and its apt configuration stays as it
# is. Does nothing once unpacked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest="$root/build/deps/pugixml"
[ -f "$dest/src/pugixml.cpp" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/sources.list.d"
sourcelist="" sourceparts=""
eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
# One-line form: every "deb" entry again as "deb-src".
to_src_lines() { sed -n -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$1"; }
# deb822 form: each stanza that lists "deb" among its types gets "deb-src".
to_src_stanzas() { sed -E '/^Types:/I { /[[:space:]]deb([[:space:]]|$)/ s/^([^:]*:).*/\1 deb-src/ }' "$1"; }
[ -f "$sourcelist" ] && to_src_lines "$sourcelist" >"$work/sources.list"
touch "$work/sources.list"
if [ -d "$sourceparts" ]; then
  for f in "$sourceparts"/*.list; do [ -f "$f" ] && to_src_lines "$f" >"$work/sources.list.d/$(basename "$f")"; done
  for f in "$sourceparts"/*.sources; do [ -f "$f" ] && to_src_stanzas "$f" >"$work/sources.list.d/$(basename "$f")"; done
fi
if ! grep -qs -E '^deb-src|^Types:.*deb-src' "$work/sources.list" "$work/sources.list.d"/*; then
  echo "fetch-windows-sources.sh: the machine's apt configuration has no package source to take" >&2
  exit 1
fi
apt_opts=(-o "Dir::Etc::sourcelist=$work/sources.list" -o "Dir::Etc::sourceparts=$work/sources.list.d"
          -o "Dir::State::Lists=$work/lists" -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only pugixml 2>/dev/null >/dev/null)
orig=$(ls "$work"/pugixml_*.orig.tar.* | head -n1)
mkdir -p "$dest"
tar -xf "$orig" -C "$dest" --strip-components=1
[ -f "$dest/src/pugixml.cpp" ] || { echo "fetch-windows-sources.sh: no src/pugixml.cpp in $orig" >&2; exit 1; }
echo "pugixml sources: $dest"
