#!/usr/bin/env bash
# The real editor's document window on a virtual display: a click on the
# vertical scroll bar's down arrow scrolls the text and it stays scrolled
# while the caret blinks; holding the arrow keeps scrolling; dragging the
# split bar's box (above the vertical scroll bar) down splits the window
# into two panes, and dragging the bar back to the top joins them.
# Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_arrange_x_shots
source "$(dirname "$0")/x_session.bash"
for tool in convert python3; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
seq 1 400 | sed 's/^/line /' > "$work/lines.txt"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$work/lines.txt" >"$work/log" 2>&1 & pid=$!
w=$(window "lines.txt") || fail "no window for lines.txt: $(cat "$work/log")"
# Active first: a click on a window in the back only brings it forward.
xdotool windowactivate --sync "$w" 2>/dev/null || true
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$w")"
shot() { import -window "$w" "$shots/$1.png"; }
# A region WxH+X+Y of a shot as raw pixels, and whether it is all white.
pixels() { convert "$shots/$1.png" -crop "$2" +repage rgb:-; }
white() { [ "$(convert "$shots/$1.png" -crop "$2" +repage -colorspace gray -format '%[fx:minima]' info:)" = 1 ]; }
# The text area begins below the menu bar and the ruler: the first of six
# white rows in the middle (a loaded machine may take a while to draw the window).
top=""
for _ in $(seq 60); do
  shot 0-start
  top=$(convert "$shots/0-start.png" -crop "1x200+$((WIDTH / 2))+0" +repage -colorspace gray txt:- |
        awk -F'[,:]' '/#FFFFFF/ {run = (run && $2 == last + 1) ? run + 1 : 1; if (run == 1) first = $2; last = $2;
                                  if (run == 6 && !found) {print first; found = 1}}')
  [ -n "$top" ] && break
  sleep 0.5
done
[ -n "$top" ] || fail "no text area in the window"
# The window takes its full size some time after its first drawing (long
# after on a loaded machine): its geometry once it holds still for a second.
geometry=""
for _ in $(seq 40); do
  sleep 1
  now=$(xdotool getwindowgeometry --shell "$w")
  [ "$now" = "$geometry" ] && break
  geometry=$now
done
eval "$geometry"
sleep 0.5
shot 0-start
text="110x120+10+$((top + 2))"   # the first lines' words, clear of the caret

# ---- The down arrow: a click scrolls, and the caret's blinking keeps it there.
xdotool mousemove --window "$w" $((WIDTH - 7)) $((HEIGHT - 22)); sleep 0.3
xdotool click 1
# Up to ten seconds for the scroll to show on a loaded machine.
for _ in $(seq 20); do
  sleep 0.5
  shot 1-clicked
  cmp -s <(pixels 0-start "$text") <(pixels 1-clicked "$text") || break
done
sleep 1.5
shot 1-clicked
sleep 1.5
shot 1-later
if cmp -s <(pixels 0-start "$text") <(pixels 1-clicked "$text"); then fail "a click on the down arrow did not scroll"; fi
cmp -s <(pixels 1-clicked "$text") <(pixels 1-later "$text") || fail "the text scrolled back after the click"
# Held for a while: many steps, and still scrolled a moment after release.
xdotool mousedown 1; sleep 2; xdotool mouseup 1; sleep 1.5
shot 2-held
# How far: the row where "line 1"'s first word has gone is far off; the
# top rows now show other lines than after the single click.
if cmp -s <(pixels 1-later "$text") <(pixels 2-held "$text"); then fail "holding the down arrow did not keep scrolling"; fi

# ---- The split bar: dragged down from its box, two panes; back up, one.
band="400x4+200+$((top + 299))"
white 2-held "$band" || fail "the text area is not white where the bar will go"
xdotool mousemove --window "$w" $((WIDTH - 7)) $((top + 2)); sleep 0.3
xdotool mousedown 1; sleep 0.05
for k in $(seq 1 20); do xdotool mousemove --window "$w" $((WIDTH - 7)) $((top + 2 + k * 15)); sleep 0.05; done
sleep 0.3; xdotool mouseup 1; sleep 2
shot 3-split
if white 3-split "$band"; then fail "dragging the split bar did not split the window"; fi
# The lower pane shows text from its top, as the upper one does.
if white 3-split "60x20+4+$((top + 308))"; then fail "the lower pane shows no text"; fi
xdotool mousemove --window "$w" 300 $((top + 300)); sleep 0.3
xdotool mousedown 1; sleep 0.05
for k in $(seq 1 20); do xdotool mousemove --window "$w" 300 $((top + 300 - k * 15)); sleep 0.05; done
sleep 0.3; xdotool mouseup 1; sleep 2
shot 4-joined
white 4-joined "$band" || fail "dragging the bar to the top did not join the panes"
xdotool key --clearmodifiers ctrl+q; sleep 1
echo "PASS"
