#!/usr/bin/env bash
# Dragging text between two windows of the real editor on a virtual display
# with a window manager: a press in the selection that moves starts a
# desktop drag, and its drop in the other window inserts the text there,
# which then saves. Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_drag_shots
source "$(dirname "$0")/x_session.bash"

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
printf 'dragged text dragged text dragged text dragged text\n' > "$work/a.txt"
printf 'target\n' > "$work/b.txt"
cd "$work"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" a.txt b.txt >"$work/log" 2>&1 & pid=$!
wa=$(window "a.txt") || fail "no window for a.txt"
wb=$(window "b.txt") || fail "no window for b.txt"
# Side by side: a at the top left, b below and to the right of it.
xdotool windowmove --sync "$wa" 0 0; xdotool windowmove --sync "$wb" 660 520; sleep 0.5
xdotool windowactivate --sync "$wa"; sleep 0.3
xdotool mousemove --window "$wa" 300 200 click 1; sleep 0.5
xdotool key ctrl+a; sleep 1.5
import -window root "$shots/0-selected.png"
# Press on the selected first line (just below the menu bar), move in steps
# into b's text area, release there.
xdotool mousemove --window "$wa" 100 30; sleep 0.2
xdotool mousedown 1; sleep 0.2
for _ in $(seq 1 12); do xdotool mousemove_relative 50 40; sleep 0.08; done
eval "$(xdotool getwindowgeometry --shell "$wb")"
for k in 1 2 3; do xdotool mousemove $((X + 100 * k)) $((Y + 100 * k)); sleep 0.15; done
xdotool mouseup 1; sleep 1
import -window root "$shots/1-dropped.png"
xdotool windowactivate --sync "$wb"; sleep 0.3
xdotool key --clearmodifiers ctrl+s; sleep 1
want=$(printf 'target\ndragged text dragged text dragged text dragged text')
for _ in $(seq 50); do [ "$(cat b.txt)" = "$want" ] && break; sleep 0.1; done
[ "$(cat b.txt)" = "$want" ] || fail "the drop did not reach b: $(cat b.txt)"
[ "$(cat a.txt)" = "dragged text dragged text dragged text dragged text" ] || fail "a changed: $(cat a.txt)"
echo "drag between windows: ok"
