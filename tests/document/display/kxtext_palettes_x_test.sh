#!/usr/bin/env bash
# The tool palette and the function-key bar in real windows under a window
# manager: the palette's strip at the top of the screen with its icons,
# its copy button copying the selection while the document keeps the
# keyboard, and the bar relabelling F5 while Shift is held down and back
# when it is released. Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_palettes_x_shots
source "$(dirname "$0")/x_session.bash"
for tool in xclip convert; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done
openbox >/dev/null 2>&1 & wm=$!
sleep 1
cd "$work"
printf 'hello world\n' > doc.txt
# Shift+F5 bound to New through the key settings, headless.
"$bin/kxapp" --prefs "$work/prefs" - > /dev/null 2> err-keys.txt <<'S' || fail "key settings: $(cat err-keys.txt)"
menu 1503
click 2987
click 3000
menu 2
click 2901
S
cat > gtk.txt <<'S'
open doc.txt
menu 1502
select 0 5
print toolbar
print fkeys
S
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxapp" --prefs "$work/prefs" --gtk gtk.txt > out.txt 2> err.txt & pid=$!
palette=$(window "ツールパレット") || fail "the palette did not show: $(cat err.txt)"
bar=$(window "ファンクションキー") || fail "the function-key bar did not show: $(cat err.txt)"
doc=$(window "doc.txt") || fail "the document did not open"
for _ in $(seq 100); do grep -q '^F8 ' out.txt && break; sleep 0.1; done
sleep 1.5
import -window root "$shots/1-start.png"
shot_bar() { import -window "$bar" "$shots/$1.png"; }
shot_bar 2-bar
# Shift held: the bar relabels F5 within its poll.
xdotool keydown shift
sleep 1
shot_bar 3-bar-shift
import -window root "$shots/3-shift.png"
xdotool keyup shift
sleep 1
shot_bar 4-bar-released
cmp -s "$shots/2-bar.png" "$shots/3-bar-shift.png" && fail "Shift did not relabel the bar"
[ "$(convert "$shots/2-bar.png" "$shots/4-bar-released.png" -metric AE -compare -format '%[distortion]' info: 2>/dev/null || true)" = 0 ] ||
  fail "releasing Shift did not restore the labels"
# The copy button (7) with "hello" selected.
read -r _ l t r b _ < <(grep '^7 ' out.txt)
X=$(xwininfo -id "$palette" | awk '/Absolute upper-left X/ { print $4 }')
Y=$(xwininfo -id "$palette" | awk '/Absolute upper-left Y/ { print $4 }')
xdotool mousemove $((X + (l + r) / 2)) $((Y + (t + b) / 2)) click 1
sleep 1
import -window root "$shots/5-copied.png"
[ "$(xclip -o -selection clipboard 2>/dev/null)" = hello ] || fail "the copy button did not copy: $(xclip -o -selection clipboard 2>&1)"
[ "$(xdotool getactivewindow)" = "$doc" ] || fail "the document lost the keyboard"
echo ok
