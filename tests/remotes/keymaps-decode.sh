#!/bin/sh
# Captures built from the scancodes of the system's keymaps (ir-keytable)
# decode to those keymaps' key names with remorra-ir decode --keymap.
# Usage: keymaps-decode.sh REMORRA-IR   (exit 77: no system keymaps)
ir=$1
maps=/lib/udev/rc_keymaps
[ -d "$maps" ] || { echo "no $maps (package ir-keytable)"; exit 77; }
status=0

# expect NAME ENCODE-ARGS DECODE-ARGS EXPECTED-LINES (scancode and key lines only)
expect() {
    got=$($ir encode $2 | $ir decode $3 | grep -E '^  (scancode|key) ')
    if [ "$got" != "$(printf "$4")" ]; then
        printf '%s: expected\n%b\ngot\n%s\n' "$1" "$4" "$got"
        status=1
    fi
}

expect "media center, toggle set" "rc6 0x800f 0x840c" "--keymap $maps/rc6_mce.toml" \
    "  scancode rc6_mce 0x800f040c\n  key KEY_SLEEP"
expect "media center OK" "rc6 0x800f 0x0422" "--keymap $maps/rc6_mce.toml" \
    "  scancode rc6_mce 0x800f0422\n  key KEY_OK"
for mode in edge sample; do
    expect "rc5 field 0 ($mode)" "rc5 0x0a 0x57" "--mode $mode --keymap $maps/technisat_usb2.toml" \
        "  scancode rc5 0xa57\n  key KEY_OK"
    expect "rc5 field 1 ($mode)" "rc5 0x0a 0x0c --toggle 1" "--mode $mode --keymap $maps/technisat_usb2.toml" \
        "  scancode rc5 0xa0c\n  key KEY_POWER"
done
expect "nec" "nec 0xf708 0x00" "--keymap $maps/alink_dtu_m.toml" "  scancode nec 0x800\n  key KEY_VOLUMEUP"
expect "necx" "nec 0x6b86 0x12" "--keymap $maps/behold.toml" "  scancode necx 0x866b12\n  key KEY_POWER"
expect "nec32" "nec32 0x3085 0xf009" "--keymap $maps/tivo.toml" "  scancode nec32 0x3085f009\n  key KEY_MEDIA"
expect "not in the map" "nec 0xFB04 0x84" "--keymap $maps/behold.toml" "  scancode nec 0x484\n  key none"
# Several maps at once: each remote finds its own.
all="--keymap $maps/rc6_mce.toml --keymap $maps/behold.toml --keymap $maps/technisat_usb2.toml"
expect "several maps, rc6" "rc6 0x800f 0x0422" "$all" "  scancode rc6_mce 0x800f0422\n  key KEY_OK"
expect "several maps, necx" "nec 0x6b86 0x12" "$all" "  scancode necx 0x866b12\n  key KEY_POWER"
expect "several maps, rc5" "rc5 0x0a 0x57" "$all" "  scancode rc5 0xa57\n  key KEY_OK"

# The translated report continues as the card remote's: OK sends Enter.
got=$($ir encode rc6 0x800f 0x0422 | $ir decode --keymap $maps/rc6_mce.toml --keys mce | grep -E '^  (down|up|pause)' | tr '\n' ' ')
[ "$got" = "  down 0x0D   pause 20   up 0x0D " ] || { echo "media center OK strokes: $got"; status=1; }
exit $status
