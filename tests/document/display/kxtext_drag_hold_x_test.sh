#!/usr/bin/env bash
# A press in the selection held still before it moves still drags the text:
# the wait for the mouse to move has no time limit there (elsewhere a press
# held still goes on as a plain press). Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_drag_hold_shots
source "$(dirname "$0")/x_session.bash"

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
{ printf 'first second third\n'; for i in $(seq 1 200); do printf 'row %d\n' "$i"; done; } > "$work/a.txt"
cd "$work"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" a.txt >"$work/log" 2>&1 & pid=$!
wa=$(window "a.txt") || fail "no window for a.txt"
xdotool windowactivate --sync "$wa"; sleep 0.3
xdotool mousemove --window "$wa" 300 200 click 1; sleep 0.5
# "first " selected from the keyboard.
xdotool key ctrl+Home; for _ in 1 2 3 4 5 6; do xdotool key shift+Right; done; sleep 1
# Over the selection (the program shows the drag cursor there), press, hold
# still well past the hold of a plain press, then move in steps and release
# past the line's end.
xdotool mousemove --window "$wa" 12 65; sleep 0.5
xdotool mousedown 1; sleep 0.8
for k in $(seq 1 10); do xdotool mousemove --window "$wa" $((12 + k * 40)) 65; sleep 0.15; done
sleep 0.5
xdotool mouseup 1; sleep 1.5
import -window root "$shots/1-dropped.png"
xdotool key --clearmodifiers ctrl+s; sleep 1
got=""
for _ in $(seq 50); do got=$(head -1 a.txt); [ "$got" != "first second third" ] && break; sleep 0.1; done
case "$got" in
  "second third"*first*) ;;
  *) fail "a press held still in the selection did not drag the word: $got" ;;
esac
echo "held press in the selection drags: ok ($got)"
