#!/usr/bin/env bash
# Dragging text in the real editor on a virtual display with a window
# manager: a press in the selection that moves starts a desktop drag, and
# its drop back in the same window moves the text there, which then saves.
# (Drops from other windows and programs are tested through the host's drop
# call in the view tests.) Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_drag_shots
source "$(dirname "$0")/x_session.bash"

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
printf 'first second third\n' > "$work/a.txt"
cd "$work"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" a.txt >"$work/log" 2>&1 & pid=$!
wa=$(window "a.txt") || fail "no window for a.txt"
xdotool windowactivate --sync "$wa"; sleep 0.3
xdotool mousemove --window "$wa" 300 200 click 1; sleep 0.5
# "first " selected from the keyboard.
xdotool key ctrl+Home; for _ in 1 2 3 4 5 6; do xdotool key shift+Right; done; sleep 1
import -window root "$shots/0-selected.png"
# Press inside the selection on the first line (below the menu bar and the
# ruler with its format bar),
# move in steps to the right past the line's end, release there.
# The mouse moves right after the press (a press held still for a moment
# is a plain press); then generous pauses, since the desktop's drag runs in
# the program's own loop, which a loaded machine slows.
xdotool mousemove --window "$wa" 12 65; sleep 0.5
xdotool mousedown 1; sleep 0.05
for k in $(seq 1 10); do xdotool mousemove --window "$wa" $((12 + k * 40)) 65; sleep 0.15; done
sleep 0.5
xdotool mouseup 1; sleep 1.5
import -window root "$shots/1-dropped.png"
xdotool key --clearmodifiers ctrl+s; sleep 1
got=""
for _ in $(seq 50); do got=$(cat a.txt); [ "$got" != "first second third" ] && break; sleep 0.1; done
case "$got" in
  "second third"*first*) ;;
  *) fail "the drag did not move the word to the line's end: $got" ;;
esac
echo "drag within a window: ok ($got)"
