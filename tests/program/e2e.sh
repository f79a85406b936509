#!/usr/bin/env bash
# End-to-end checks of the remorra program on a private X server with a tray
# host: e2e.sh CASE REMORRA [REMORRA_IR]. Run through tests/support/with-xvfb.sh.
# Each case gets its own documents folder, log and runtime folder.
set -euo pipefail
case_name=$1
remorra=$2
remorra_ir=${3:-}
work=$(mktemp -d)
export REMORRA_DOCUMENTS=$work/docs REMORRA_LOG=$work/Remorra.log XDG_RUNTIME_DIR=$work/run
# The fallbacks of the runtime folder stay inside the case's folder too.
export XDG_STATE_HOME=$work/state TMPDIR=$work/tmp
mkdir -p "$REMORRA_DOCUMENTS/Remorra" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
lock_file=$XDG_RUNTIME_DIR/remorra/Remorra.lock
pids=()
mounts=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$REMORRA_LOG" ] && sed 's/^/log: /' "$REMORRA_LOG" >&2
  [ -f "$work/xev" ] && grep -h keysym "$work/xev" | sed 's/^/xev: /' >&2
  [ -s "$work/remorra.out" ] && tail -n 40 "$work/remorra.out" | sed 's/^/remorra: /' >&2
  exit 1
}

# Polls a condition instead of sleeping for a guessed time.
wait_for() {
  local what=$1; shift
  local deadline=$((SECONDS + 40))
  while [ $SECONDS -lt $deadline ]; do "$@" && return 0; sleep 0.05; done
  fail "timed out waiting for $what"
}
# Live IR is timed on the real clock; a loaded machine may spoil a frame (no
# stroke comes of it). A case may lose max_lost presses in all, each followed
# by another; one more fails it, with the count. COMMAND (press number press_no
# of this call) runs until CONDITION holds, 5 s a press:
# press_until CONDITION COMMAND...
max_lost=3 presses_sent=0 presses_lost=0
press_until() {
  local cond=$1 deadline
  shift
  press_no=0
  while :; do
    press_no=$((press_no + 1)) presses_sent=$((presses_sent + 1))
    "$@" || fail "$* failed"
    deadline=$((SECONDS + 5))
    while [ $SECONDS -lt $deadline ] && ! $cond; do sleep 0.05; done
    $cond && return 0
    presses_lost=$((presses_lost + 1))
    echo "$cond: $presses_lost of $presses_sent presses lost (tolerated: $max_lost)"
    if [ "$presses_lost" -gt "$max_lost" ]; then
      echo "more presses lost than tolerated" >&2
      return 1
    fi
  done
}
# A plain X window with the focus records the strokes that reach it.
open_key_window() {
  xev -name remorra-keys -event keyboard >"$work/xev" 2>&1 &
  key_window_pid=$!
  pids+=($key_window_pid)
  wait_for "the test window" visible_window '^remorra-keys$'
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^remorra-keys$' | head -1)"
}
# The keysyms the key window received, in order.
strokes() { awk '/^KeyPress/ {p = 1} /keysym/ && p {match($0, /keysym 0x[0-9a-f]+, [^)]+/);
                 print substr($0, RSTART + 7, RLENGTH - 7); p = 0}' "$work/xev" | sed 's/.*, //' | paste -sd' '; }
log_has() { grep -qF -- "$1" "$REMORRA_LOG" 2>/dev/null; }
visible_window() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# Visible windows of the program whose parent is (root) or is not (embedded).
program_windows() {
  local w
  for w in $(xdotool search --onlyvisible --class remorra 2>/dev/null); do
    if xwininfo -id "$w" -tree | grep 'Parent window id:' | grep -q 'the root window'; then
      [ "$1" = root ] && echo "$w"
    else
      [ "$1" = embedded ] && echo "$w"
    fi
  done
  return 0
}
tray_icon() { local all; all=$(program_windows embedded); echo "${all%%$'\n'*}"; }
in_tray() { [ -n "$(tray_icon)" ]; }
# A popup menu of ours: a visible top-level window that is not the main window.
menu_open() {
  local w
  for w in $(program_windows root); do
    case $(xdotool getwindowname "$w") in "Remorra Version"*) ;; *) return 0 ;; esac
  done
  return 1
}

tray_up() {
  visible_window '^panel$' && return 0
  kill -0 "$tray_pid" 2>/dev/null || fail "the tray host ended: $(cat "$work/trayer.out")"
  return 1
}
start_tray_host() {
  trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 >"$work/trayer.out" 2>&1 &
  tray_pid=$!
  pids+=($tray_pid)
  wait_for "the tray host" tray_up
}
start_remorra() {
  ${REMORRA_WRAP:-} "$remorra" >"$work/remorra.out" 2>&1 &
  remorra_pid=$!
  pids+=($remorra_pid)
}
answer_chooser() {
  wait_for "the device chooser" visible_window '^Choose Device$'
  local w
  w=$(xdotool search --onlyvisible --name '^Choose Device$' | head -1)
  xdotool windowfocus --sync "$w" key Return
}
started() { log_has "Interrupt Thread create success!"; }
expect_exit_clean() {
  local rc=0
  wait "$remorra_pid" || rc=$?
  [ "$rc" -eq 0 ] || { cat "$work/remorra.out" >&2; fail "remorra ended with status $rc"; }
  # Whatever copy of the program ran here, none may still hold the lock.
  flock -n "$lock_file" true || fail "a remorra process is left"
}
# Alive and not yet a zombie (an ended child stays one until waited for).
running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ]
}
# SIGTERM must end the process within a second (times REMORRA_E2E_SLOWDOWN
# under a sanitizer), with status 0 and the log's shutdown lines, whatever it
# shows at the moment.
term_ends_it() {
  local pid=$1 what=$2 rc=0 before sent deadline limit=$((${REMORRA_E2E_SLOWDOWN:-1} * 1000))
  before=$(grep -c 'Shutdown complete' "$REMORRA_LOG" 2>/dev/null || true)
  sent=$(date +%s%N)
  deadline=$((sent + limit * 1000000))
  kill -TERM "$pid"
  while running "$pid" && [ "$(date +%s%N)" -lt $deadline ]; do sleep 0.01; done
  running "$pid" && fail "$what did not end within $limit ms of SIGTERM"
  echo "$what ended $((($(date +%s%N) - sent) / 1000000)) ms after SIGTERM"
  wait "$pid" || rc=$?
  [ "$rc" -eq 0 ] || fail "$what ended with status $rc after SIGTERM"
  log_has "Shutdown requested (SIGTERM)" || fail "$what did not log the request"
  [ "$(grep -c 'Shutdown complete' "$REMORRA_LOG")" -gt "${before:-0}" ] || fail "$what did not log its end"
}
# The runtime folder the program settled on, as its log says when it passed
# one over.
chosen_lock() {
  local folder
  folder=$(sed -n 's/.*] Runtime folder: //p' "$REMORRA_LOG" | tail -1)
  [ -n "$folder" ] || fail "the log names no runtime folder"
  lock_file=$folder/Remorra.lock
}
# The first copy runs and a second is started, showing its box ($second).
start_second_copy() {
  start_remorra
  answer_chooser
  wait_for "start-up" started
  "$remorra" >"$work/second.out" 2>&1 &
  second=$!
  pids+=($second)
  wait_for "the second copy's message" visible_window '^Remorra$'
}
# The first copy runs; a second is refused with its box and leaves the first alone.
exactly_one_copy() {
  start_second_copy
  term_ends_it "$second" "the second copy"
  running "$remorra_pid" || fail "the first copy ended"
  chosen_lock
  ! log_has "Restore requests are off" || fail "the restore socket is off"
  ! log_has "Simulated card does not listen" || fail "the card socket is off"
}

start_tray_host
case $case_name in
startup)
  start_remorra
  answer_chooser
  wait_for "start-up" started
  log_has "m_wImplementationId 29233" || fail "no probe line"
  wait_for "the main window" visible_window '^Remorra Version: 1\.0\.1\.0 $'
  grep -q '^bRememberDevice=0' "$REMORRA_DOCUMENTS/Remorra/config.ini" || fail "bRememberDevice not written"
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
second-copy)
  start_second_copy
  w=$(xdotool search --onlyvisible --name '^Remorra$' | head -1)
  xdotool windowfocus --sync "$w" key Return
  wait "$second" || fail "the second copy failed"
  kill -0 "$remorra_pid" || fail "the first copy ended"
  visible_window '^Remorra Version' || fail "the first copy's window is gone"
  kill -INT "$remorra_pid"
  expect_exit_clean
  ;;
start-and-hide)
  printf '[Config]\nstartandhide=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "start-up" started
  wait_for "the tray icon" in_tray
  ! visible_window '^Remorra Version' || fail "the window is visible"
  # Double click restores, minimising goes back to the tray.
  icon=$(tray_icon)
  xdotool mousemove --window "$icon" 5 5 click --repeat 2 --delay 80 1
  wait_for "the restored window" visible_window '^Remorra Version'
  ! in_tray || fail "the icon stayed"
  w=$(xdotool search --onlyvisible --name '^Remorra Version' | head -1)
  # No window manager here: minimise from the window's own menu.
  xdotool mousemove --window "$w" 200 300 click 3
  wait_for "the window menu" menu_open
  xdotool key Down Return
  wait_for "the icon again" in_tray
  # The tray menu's Exit ends the program and takes the icon with it.
  icon=$(tray_icon)
  xdotool mousemove --window "$icon" 5 5 click 3
  wait_for "the tray menu" menu_open
  xdotool key Up Return
  expect_exit_clean
  ! in_tray || fail "the icon is left"
  ;;
restore-request)
  printf '[Config]\nstartandhide=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "the tray icon" in_tray
  python3 - "$XDG_RUNTIME_DIR/remorra/Remorra.restore" <<'PY'
import socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(b"restore\n"); s.close()
PY
  wait_for "the restored window" visible_window '^Remorra Version'
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
keys)
  start_remorra
  answer_chooser
  wait_for "start-up" started
  wait_for "the main window" visible_window '^Remorra Version'
  open_key_window
  both_arrived() { case " $(strokes) " in *" Up Return "*) return 0 ;; esac; return 1; }
  press_until both_arrived "$remorra_ir" send Up OK ||
    fail "Up and Return did not reach the test window in order (got: $(strokes))"
  for key in $(strokes); do
    [ "$key" = Up ] || [ "$key" = Return ] || fail "unexpected stroke $key"
  done
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
remote-maps)
  # A learned map (necx and RC5 buttons, learned with remorra-ir learn) and a
  # system map switched on in config.ini (the Media Center remote): other
  # remotes' frames reach the focused window as the keys they are bound to.
  remotes=$REMORRA_DOCUMENTS/Remorra/Remotes
  mkdir -p "$remotes" "$work/sys"
  "$remorra_ir" encode nec 0x6b86 0x12 >"$work/up.txt"
  "$remorra_ir" encode rc5 0x0a 0x57 >"$work/a.txt"
  "$remorra_ir" encode rc6 0x800f 0x0422 >"$work/ok.txt"
  "$remorra_ir" learn "$remotes/tv.toml" KEY_UP "$work/up.txt" >/dev/null || fail "learning KEY_UP"
  "$remorra_ir" learn "$remotes/tv.toml" KEY_A "$work/a.txt" >/dev/null || fail "learning KEY_A"
  if [ -f /lib/udev/rc_keymaps/rc6_mce.toml ]; then
    cp /lib/udev/rc_keymaps/rc6_mce.toml "$work/sys/"
  else
    printf '[[protocols]]\nname = "rc6_mce"\nprotocol = "rc6"\nvariant = "rc6_mce"\n[protocols.scancodes]\n0x800f0422 = "KEY_OK"\n' >"$work/sys/rc6_mce.toml"
  fi
  printf '[RemoteMaps]\nsystem:rc6_mce.toml=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  export REMORRA_SYSTEM_KEYMAPS=$work/sys
  start_remorra
  answer_chooser
  wait_for "start-up" started
  log_has "Remote maps: 2 active" || fail "the maps are not active"
  wait_for "the main window" visible_window '^Remorra Version'
  open_key_window
  press() {
    key=$2
    key_arrived() { strokes | tr ' ' '\n' | grep -qx "$key"; }
    press_until key_arrived "$remorra_ir" send --file "$1" || fail "$key did not arrive (got: $(strokes))"
  }
  press "$work/up.txt" Up
  press "$work/ok.txt" Return
  press "$work/a.txt" a
  for key in $(strokes); do
    case $key in Up|Return|a) ;; *) fail "unexpected stroke $key" ;; esac
  done
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
profile-keys)
  # A user profile binds Power to Ctrl+Alt+P; the remembered selection picks
  # it (position 1) and then the built-in entry (position 0).
  mkdir -p "$REMORRA_DOCUMENTS/Remorra/Profile"
  sed '/<Power>/,/<\/Power>/{s|<VirtualKey>0<|<VirtualKey>80<|;s|<Modifiers>0<|<Modifiers>6<|}' \
    "$(dirname "$remorra")/Original.xml" >"$REMORRA_DOCUMENTS/Remorra/Profile/Movie.xml"
  grep -q '<VirtualKey>80<' "$REMORRA_DOCUMENTS/Remorra/Profile/Movie.xml" || fail "no profile written"
  # Presses and releases in order: "+Control_L ... -Alt_L".
  events() { awk '/^KeyPress/ {d = "+"} /^KeyRelease/ {d = "-"} /keysym/ && d {match($0, /keysym 0x[0-9a-f]+, [^)]+/);
                  s = substr($0, RSTART, RLENGTH); sub(/.*, /, "", s); printf "%s%s ", d, s; d = ""}' "$work/xev"; }
  for run in "1:+Control_L +Alt_L +p -p -Control_L -Alt_L " \
             "0:+Super_L +Alt_L +Return -Super_L -Return -Alt_L "; do
    printf '[config]\nselectplayernumber=%s\n' "${run%%:*}" >"$REMORRA_DOCUMENTS/Remorra/config.ini"
    expected=${run#*:}
    start_remorra
    answer_chooser
    wait_for "start-up" started
    wait_for "the main window" visible_window '^Remorra Version'
    open_key_window
    arrived() { case "$(events)" in *"$expected"*) return 0 ;; esac; return 1; }
    press_until arrived "$remorra_ir" send Power || fail "'$expected' did not reach the test window (got: $(events))"
    # Only whole sequences, one per press that got through.
    rest=$(events)
    while [ -n "$rest" ]; do
      [ "${rest#"$expected"}" != "$rest" ] || fail "unexpected strokes: $(events)"
      rest=${rest#"$expected"}
    done
    kill "$key_window_pid"
    kill -TERM "$remorra_pid"
    expect_exit_clean
  done
  ;;
lirc)
  # irw and irexec from Debian's lirc package, on the program's event socket.
  printf '[LircSocket]\nEnabled=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "start-up" started
  sock=$XDG_RUNTIME_DIR/remorra/lircd
  wait_for "the LIRC socket" log_has "LIRC event socket at $sock"
  irw "$sock" >"$work/irw" 2>&1 &
  pids+=($!)
  printf 'begin\n  prog = irexec\n  remote = Remorra\n  button = OK\n  config = touch %s/ok-pressed\nend\n' \
    "$work" >"$work/lircrc"
  LIRC_SOCKET_PATH=$sock irexec "$work/lircrc" >"$work/irexec.out" 2>&1 &
  pids+=($!)
  heard() { grep -q "^0000000000000481 00 Up Remorra$" "$work/irw" && grep -q " 00 OK Remorra$" "$work/irw" &&
            [ -e "$work/ok-pressed" ]; }
  press_until heard "$remorra_ir" send Up OK ||
    fail "irw/irexec did not hear Up and OK (irw: $(paste -sd'|' "$work/irw"); irexec: $(cat "$work/irexec.out"))"
  held() { grep -q "^0000000000000482 0[1-9a-f] Right Remorra$" "$work/irw"; }
  press_until held "$remorra_ir" send --hold 800 Right ||
    fail "no repeat count for a held button (irw: $(paste -sd'|' "$work/irw"))"
  kill -TERM "$remorra_pid"
  expect_exit_clean
  [ ! -e "$sock" ] || fail "the socket outlived the program"
  ;;
focus-profiles)
  # Two windows of two applications, each bound to a profile; the test plays
  # the window manager's part by setting _NET_ACTIVE_WINDOW.
  mkdir -p "$REMORRA_DOCUMENTS/Remorra/Profile"
  for p in A:80 B:81; do
    sed "/<Power>/,/<\/Power>/{s|<VirtualKey>0<|<VirtualKey>${p#*:}<|;s|<Modifiers>0<|<Modifiers>6<|}" \
      "$(dirname "$remorra")/Original.xml" >"$REMORRA_DOCUMENTS/Remorra/Profile/Prof${p%%:*}.xml"
  done
  printf '[ProfileApplications]\nProfA=appa\nProfB=AppB.exe\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "start-up" started
  wait_for "the main window" visible_window '^Remorra Version'
  events() { awk '/^KeyPress/ {d = "+"} /^KeyRelease/ {d = "-"} /keysym/ && d {match($0, /keysym 0x[0-9a-f]+, [^)]+/);
                  s = substr($0, RSTART, RLENGTH); sub(/.*, /, "", s); printf "%s%s ", d, s; d = ""}' "$1"; }
  for win in a:p b:q; do
    name=remorra-focus-${win%%:*}
    xev -name "$name" -event keyboard >"$work/xev-$name" 2>&1 &
    pids+=($!)
    wait_for "window $name" visible_window "^$name\$"
    w=$(xdotool search --onlyvisible --name "^$name\$" | head -1)
    xdotool set_window --classname "app${win%%:*}" --class "App${win%%:*}" "$w"
    xdotool windowfocus --sync "$w"
    xprop -root -f _NET_ACTIVE_WINDOW 32x -set _NET_ACTIVE_WINDOW "$w"
    profile=Prof$(echo "${win%%:*}" | tr ab AB)
    wait_for "the profile following the focus" log_has "profile \"$profile\""
    expected="+Control_L +Alt_L +${win#*:} -${win#*:} -Control_L -Alt_L "
    arrived() { case "$(events "$work/xev-$name")" in *"$expected"*) return 0 ;; esac; return 1; }
    press_until arrived "$remorra_ir" send Power || fail "'$expected' did not reach $name (got: $(events "$work/xev-$name"))"
  done
  # The desktop: the selection from before comes back.
  xprop -root -f _NET_ACTIVE_WINDOW 32x -set _NET_ACTIVE_WINDOW 0
  wait_for "the earlier selection" log_has "profile \"MCE(Quorbel Default Setting)\""
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
learn)
  # The Remote control dialog from the window's menu: a Media Center remote's
  # button (which no map knows) is bound to KEY_UP by pressing it, saved, and
  # its next press reaches the focused window as Up.
  for t in 0 1; do "$remorra_ir" encode rc6 0x800f 0x041e --toggle $t >"$work/up$t.txt"; done
  map=$REMORRA_DOCUMENTS/Remorra/Remotes/remote.toml
  start_remorra
  answer_chooser
  wait_for "start-up" started
  wait_for "the main window" visible_window '^Remorra Version'
  w=$(xdotool search --onlyvisible --name '^Remorra Version' | head -1)
  xdotool mousemove --window "$w" 200 300 click 3
  wait_for "the window menu" menu_open
  xdotool key Down Down Down Return
  wait_for "the Remote control dialog" visible_window '^Remote control$'
  d=$(xdotool search --onlyvisible --name '^Remote control$' | head -1)
  xdotool windowfocus --sync "$d" key alt+k
  xdotool type KEY_UP
  xdotool key Return
  # Alternate toggles: each send is a new press (toggle 0 first). Saving
  # until the file has the binding observes when a press got through;
  # press_until's polling is the wait, each poll seeing the earlier saves.
  send_up() { "$remorra_ir" send --file "$work/up$(((press_no + $1) % 2)).txt"; }
  bound() { grep -q '= "KEY_UP"' "$map" 2>/dev/null; }
  saved() { xdotool key alt+s; bound; }
  press_until saved send_up 1 || fail "the dialog did not bind the press (map: $(cat "$map" 2>/dev/null))"
  grep -qi '0x800f041e = "KEY_UP"' "$map" || fail "wrong binding: $(cat "$map")"
  xdotool key Escape
  gone() { ! visible_window '^Remote control$'; }
  wait_for "the dialog to close" gone
  wait_for "the learned map" log_has "Remote maps: 1 active"
  open_key_window
  arrived() { case " $(strokes) " in *" Up "*) return 0 ;; esac; return 1; }
  press_until arrived send_up 0 || fail "Up did not reach the test window (got: $(strokes))"
  for key in $(strokes); do [ "$key" = Up ] || fail "unexpected stroke $key"; done
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
card-without-id)
  export REMORRA_SIM_CARDS='Quorbel Mute Card|none'
  start_remorra
  answer_chooser
  wait_for "start-up" started
  grep -A1 -F "m_wImplementationId 29023" "$REMORRA_LOG" | grep -qF "Could not find any suitable devices" \
    || fail "probe lines missing or out of order"
  wait_for "the main window" visible_window '^Remorra Version'
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
no-card)
  export REMORRA_SIM_CARDS=
  start_remorra
  wait_for "the message" visible_window '^Info$'
  w=$(xdotool search --onlyvisible --name '^Info$' | head -1)
  xdotool windowfocus --sync "$w" key Return
  expect_exit_clean
  ! visible_window '^Choose Device$' || fail "the chooser was shown"
  ;;
tray-host-restart)
  printf '[Config]\nstartandhide=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "the tray icon" in_tray
  kill "$tray_pid"
  wait "$tray_pid" 2>/dev/null || true
  ! in_tray || fail "the icon outlived its tray host"
  start_tray_host
  wait_for "the icon in the new tray host" in_tray
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
signal-second-copy)
  start_second_copy
  term_ends_it "$second" "the second copy"
  running "$remorra_pid" || fail "the first copy ended"
  term_ends_it "$remorra_pid" "the first copy"
  expect_exit_clean
  ;;
signal-sim-cards-box)
  export REMORRA_SIM_CARDS='Quorbel Card|zz'
  start_remorra
  wait_for "the error box" visible_window '^Remorra$'
  term_ends_it "$remorra_pid" "remorra"
  ! log_has "Interrupt Thread create success!" || fail "start-up went on"
  ;;
signal-chooser)
  start_remorra
  wait_for "the device chooser" visible_window '^Choose Device$'
  term_ends_it "$remorra_pid" "remorra"
  ! log_has "Interrupt Thread create success!" || fail "start-up went on"
  ;;
signal-load-config)
  # The remembered profile is broken: start-up shows "Load Config error!"
  # once for each of its keys.
  mkdir -p "$REMORRA_DOCUMENTS/Remorra/Profile"
  echo '<broken' >"$REMORRA_DOCUMENTS/Remorra/Profile/Broken.xml"
  printf '[Config]\nselectplayernumber=1\n' >"$REMORRA_DOCUMENTS/Remorra/config.ini"
  start_remorra
  answer_chooser
  wait_for "the load error" visible_window '^Remorra$'
  term_ends_it "$remorra_pid" "remorra"
  ;;
signal-at-start)
  # The earliest moment a signal can be kept: the shutdown signals are
  # blocked (SIGHUP, SIGINT, SIGTERM: 0x4003), nothing else exists yet.
  blocked() { grep -q '^SigBlk:.*4003$' "/proc/$remorra_pid/status" 2>/dev/null; }
  for _ in 1 2 3; do
    start_remorra
    wait_for "the blocked signals" blocked
    term_ends_it "$remorra_pid" "remorra"
  done
  ;;
squatted-tmp)
  # Another user made this user's folder in the temp folder first.
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: only root can make a folder of another user"; exit 0; }
  unset XDG_RUNTIME_DIR
  mkdir -p "$TMPDIR/remorra-$(id -u)"
  chown 65534:65534 "$TMPDIR/remorra-$(id -u)"
  exactly_one_copy
  case $lock_file in "$XDG_STATE_HOME"/*|/run/user/*) ;; *) fail "lock in $lock_file" ;; esac
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
read-only-runtime)
  if [ "$(id -u)" -eq 0 ]; then
    # Root writes whatever the mode; only a read-only mount stops it.
    mount -t tmpfs -o ro,mode=700,size=64k tmpfs "$XDG_RUNTIME_DIR" \
      || { echo "SKIP: cannot mount a read-only tmpfs"; exit 0; }
    mounts+=("$XDG_RUNTIME_DIR")
  else
    chmod 500 "$XDG_RUNTIME_DIR"
  fi
  exactly_one_copy
  log_has "Runtime folder passed over: $XDG_RUNTIME_DIR" || fail "no reason logged"
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
stale-saves)
  # Saves killed an hour ago left their temporary files; only those go.
  mkdir -p "$REMORRA_DOCUMENTS/Remorra/Profile"
  for f in Remorra/.remorra-Ab12Cd Remorra/Profile/.remorra-xY34zw Remorra/Profile/.remorra-kept; do
    echo partial >"$REMORRA_DOCUMENTS/$f"
    touch -d '1 hour ago' "$REMORRA_DOCUMENTS/$f"
  done
  start_remorra
  answer_chooser
  wait_for "start-up" started
  [ ! -e "$REMORRA_DOCUMENTS/Remorra/.remorra-Ab12Cd" ] && [ ! -e "$REMORRA_DOCUMENTS/Remorra/Profile/.remorra-xY34zw" ] \
    || fail "a stale temporary file is left"
  [ -e "$REMORRA_DOCUMENTS/Remorra/Profile/.remorra-kept" ] || fail "a file not of our naming went"
  log_has "Removed the temporary file of an interrupted save: $REMORRA_DOCUMENTS/Remorra/.remorra-Ab12Cd" \
    || fail "the removal is not logged"
  kill -TERM "$remorra_pid"
  expect_exit_clean
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"
