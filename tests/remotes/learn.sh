#!/bin/sh
# remorra-ir learn: exit status and the map it writes.
ir=$1
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
map="$dir/tv.toml"
fail() { echo "$*"; exit 1; }
$ir encode nec 0x6b86 0x12 | $ir learn "$map" KEY_UP >/dev/null || fail "first binding"
$ir encode rc5 0x0a 0x57 > "$dir/rc5.txt"
$ir learn "$map" KEY_OK "$dir/rc5.txt" >/dev/null || fail "second binding"
$ir encode nec 0x6b86 0x12 | $ir learn "$map" KEY_DOWN 2>"$dir/err"; rc=$?
[ $rc = 2 ] || fail "taken scancode: status $rc"
grep -q "necx 0x866b12 is already KEY_UP" "$dir/err" || fail "taken scancode: $(cat "$dir/err")"
printf 'space 100000\npulse 500\n' | $ir learn "$map" KEY_DOWN 2>/dev/null; rc=$?
[ $rc = 1 ] || fail "nothing decodable: status $rc"
$ir learn "$map" 2>/dev/null; rc=$?
[ $rc = 2 ] || fail "usage: status $rc"
got=$($ir encode nec 0x6b86 0x12 | $ir decode --keymap "$map" | grep '^  key')
[ "$got" = "  key KEY_UP" ] || fail "decode with the learned map: $got"
grep -q '^0xa57 = "KEY_OK"$' "$map" || fail "$(cat "$map")"
