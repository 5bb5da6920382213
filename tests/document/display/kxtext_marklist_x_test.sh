#!/usr/bin/env bash
# The mark list in real windows under a window manager: a utility window
# kept for the document (transient for it, out of the taskbar, taking no
# focus), whose add button takes the selection while the keyboard stays in
# the text; its picture on the screen is the headless host's. Screenshots
# stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_marklist_x_shots
source "$(dirname "$0")/x_session.bash"
command -v xprop >/dev/null || { echo "xprop missing (scripts/setup installs x11-utils)"; exit 1; }
openbox >/dev/null 2>&1 & wm=$!
sleep 1
cd "$work"
printf 'Chapter one\nSome text here\nSection A\nMore text\nChapter two\nEnd\n' > doc.txt
cat > first.txt <<'S'
open doc.txt
menu 1229
select 0 11
click 3705
shot 3702 @HOST@.png
print marklist
S
sed 's/@HOST@/headless/' first.txt > headless.txt
"$bin/kxapp" --prefs "$work/prefs" headless.txt > out-headless.txt 2> err-headless.txt ||
  fail "headless run: $(cat err-headless.txt)"
# Under GTK the script then waits while the desktop's input comes in.
{ sed 's/@HOST@/gtk/' first.txt; echo "select 37 46"; echo "idle 50"; echo "print marklist"; echo "print text"; } > gtk.txt
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxapp" --prefs "$work/prefs" --gtk gtk.txt > out-gtk.txt 2> err-gtk.txt & pid=$!
list=$(window "マーク一覧") || fail "the mark list did not show"
doc=$(window "doc.txt") || fail "the document did not open"
for _ in $(seq 100); do grep -q '^buttons' out-gtk.txt && break; sleep 0.1; done
props=$(xprop -id "$list" _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR _NET_WM_STATE WM_HINTS)
grep -q '_NET_WM_WINDOW_TYPE_UTILITY' <<< "$props" || fail "not a utility window: $props"
grep -q "WM_TRANSIENT_FOR(WINDOW): window id # $(printf '0x%x' "$doc")" <<< "$props" || fail "not transient for the document: $props"
grep -q 'SKIP_TASKBAR' <<< "$props" || fail "in the taskbar: $props"
grep -q 'accepts input or input focus: False' <<< "$props" || fail "takes the focus: $props"
sleep 1
# The add button (content 60..100 x 4..24) with "More text" selected; the
# keys afterwards still reach the document.
X=$(xwininfo -id "$list" | awk '/Absolute upper-left X/ { print $4 }')
Y=$(xwininfo -id "$list" | awk '/Absolute upper-left Y/ { print $4 }')
xdotool mousemove $((X + 80)) $((Y + 14)) click 1
sleep 0.5
import -window root "$shots/1-added.png"
[ "$(xdotool getactivewindow)" = "$doc" ] || fail "the document lost the focus"
xdotool key End
xdotool type Q
for _ in $(seq 300); do grep -q '^End$' out-gtk.txt && break; sleep 0.1; done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""
grep -qx '2 2 0 0 0 1 More text' out-gtk.txt || fail "the add button did not add: $(cat out-gtk.txt)"
grep -qx 'More textQ' out-gtk.txt || fail "typing did not reach the text: $(cat out-gtk.txt)"
head -2 out-gtk.txt | diff - out-headless.txt || fail "the prints differ"
cmp headless.png gtk.png || fail "the list's screenshot differs from the headless picture"
cp headless.png gtk.png "$shots/"
echo ok
