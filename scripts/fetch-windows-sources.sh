#!/usr/bin/env bash
# Unpacks Debian's pugixml source package into build/deps/pugixml for the
# Windows build (Debian ships no pugixml for MinGW, and its -dev package has
# only the headers). apt-get reads a private source list, so the machine's
# apt configuration stays as it is. Does nothing once unpacked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest="$root/build/deps/pugixml"
[ -f "$dest/src/pugixml.cpp" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial"
echo "deb-src http://deb.debian.org/debian bookworm main" >"$work/sources.list"
apt_opts=(-o "Dir::Etc::sourcelist=$work/sources.list" -o Dir::Etc::sourceparts=-
          -o "Dir::State::Lists=$work/lists" -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only pugixml 2>/dev/null >/dev/null)
orig=$(ls "$work"/pugixml_*.orig.tar.* | head -n1)
mkdir -p "$dest"
tar -xf "$orig" -C "$dest" --strip-components=1
[ -f "$dest/src/pugixml.cpp" ] || { echo "fetch-windows-sources.sh: no src/pugixml.cpp in $orig" >&2; exit 1; }
echo "pugixml sources: $dest"
