#!/bin/sh
# remorra-ir against special files, huge captures under a memory limit,
# numbers out of range and hostile bytes: each case ends at once with the
# stated status and message.
# usage: tool-faults.sh REMORRA_IR CASE
set -u
ir=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# expect STATUS PATTERN COMMAND...: exit status and a line of standard error.
expect() {
    want=$1 pattern=$2
    shift 2
    timeout 60 "$@" >"$dir/out" 2>"$dir/err"
    got=$?
    [ "$got" = "$want" ] || fail "$* -> status $got, not $want: $(head -c 300 "$dir/err")"
    grep -q -e "$pattern" "$dir/err" || fail "$* -> no '$pattern' in: $(head -c 300 "$dir/err")"
}
# A 100 MB capture: a NEC frame, 100 MB of remarks and spaces, a NEC frame.
big_capture() {
    "$ir" encode nec 0xFB04 0x12
    awk 'BEGIN { for (i = 0; i < 2000000; i++) print "space 100  # a remark to make the line long enough" }'
    "$ir" encode nec 0xFB04 0x08
}
# Address space for the tool, below the size of the big capture (its
# threads' stacks take most of it); held whole, it needed gigabytes.
limit_kb=100000

case $2 in
special)
    mkfifo "$dir/fifo"
    ln -s /dev/zero "$dir/zero"
    mkdir "$dir/folder"
    for f in fifo zero folder; do
        expect 2 "'$dir/$f': not a regular file" "$ir" decode "$dir/$f"
        expect 2 "'$dir/$f': not a regular file" "$ir" decode --keys "profile=$dir/$f" "$dir/fifo"
        expect 2 "'$dir/$f': not a regular file" "$ir" send --file "$dir/$f"
    done
    # Standard input that never ends and holds no line end.
    expect 2 "<stdin>:1: line longer than 4096 bytes" sh -c "\"$ir\" decode </dev/zero"
    ;;
memory)
    big_capture >"$dir/big.txt"
    [ "$(wc -c <"$dir/big.txt")" -gt 100000000 ] || fail "capture too small"
    ( ulimit -v $limit_kb; "$ir" decode "$dir/big.txt" >"$dir/out" 2>"$dir/err" ) || fail "big capture: $(cat "$dir/err")"
    printf 'nec address=0xFB04 command=0x12 repeat=0\nnec address=0xFB04 command=0x08 repeat=0\n' | cmp -s - "$dir/out" ||
        fail "big capture decoded as: $(cat "$dir/out")"
    ( ulimit -v $limit_kb; "$ir" decode - <"$dir/big.txt" >"$dir/out" 2>"$dir/err" ) || fail "big stdin: $(cat "$dir/err")"
    [ "$(wc -l <"$dir/out")" = 2 ] || fail "big stdin decoded as: $(cat "$dir/out")"
    # 100 MB of 1 µs durations never pause: refused, not held.
    awk 'BEGIN { for (i = 0; i < 50000000; i++) print 1 }' >"$dir/ones.txt"
    expect 2 "durations without a pause of 500 ms: not a remote's signal" sh -c "ulimit -v $limit_kb; exec \"$ir\" decode - <\"$dir/ones.txt\""
    # Memory running out (here for a frame of a million durations) is a message and status 2.
    awk 'BEGIN { for (i = 0; i < 500000; i++) print "pulse 1\nspace 1"; print "space 1000000\npulse 1" }' >"$dir/frame.txt"
    expect 2 "remorra-ir: out of memory" sh -c "ulimit -v 30000; exec \"$ir\" decode \"$dir/frame.txt\""
    ;;
ranges)
    for a in "--jitter 2147483648" "--jitter 4294967295" "--frames 4294967297" "--gap 4294967296" \
             "--seed 4294967296" "--repeats 1001" "--toggle 2" "--frames 0" "--jitter -1"; do
        # shellcheck disable=SC2086
        expect 2 "remorra-ir encode: ${a%% *} must be a number from" "$ir" encode nec 1 2 $a
    done
    expect 2 "ADDRESS must be a number from 0 to 0xFFFF, not '65536'" "$ir" encode nec 65536 2
    expect 2 "COMMAND must be a number from 0 to 0xFF, not '-1'" "$ir" encode nec 1 -1
    expect 2 "CONTROL must be a number from 0 to 0xFF" "$ir" encode rc6 0x100 1 --rc6-mode 0
    expect 2 "--rc6-mode must be 0 or 6, not '5'" "$ir" encode rc6 1 1 --rc6-mode 5
    expect 2 "remorra-ir send: --hold must be a number from 0 to 10000, not '10001'" "$ir" send --hold 10001 OK
    ;;
escapes)
    # A 50 MB token and control bytes are quoted short and escaped.
    awk 'BEGIN { printf "pulse "; for (i = 0; i < 500000; i++) printf "%0100d", 0; print "" }' >"$dir/long.txt"
    expect 2 "<stdin>:1: line longer than 4096 bytes" sh -c "\"$ir\" decode <\"$dir/long.txt\""
    printf 'pulse 9000\nspace 1\033[2J\000\n' >"$dir/esc.txt"
    expect 2 "bad duration '1\\\\x1b\\[2J\\\\x00'" "$ir" decode "$dir/esc.txt"
    printf 'pulse 9000\nspace %05000d\n' 1 >"$dir/token.txt"
    expect 2 "line longer than 4096 bytes" "$ir" decode "$dir/token.txt"
    printf 'pulse 9000\nspace %0400dx\n' 1 >"$dir/token.txt"
    expect 2 "bad duration '0000000000000000000000000000000000000000'... (401 bytes)" "$ir" decode "$dir/token.txt"
    [ "$(wc -c <"$dir/err")" -lt 200 ] || fail "long error text: $(cat "$dir/err")"
    ;;
*) fail "unknown case $2" ;;
esac
exit 0
