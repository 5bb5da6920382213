#!/usr/bin/env bash
# The key settings pick a command from the document window's own menu bar
# in real windows under a window manager: with the dialog open, the user
# clicks the document, opens its Edit menu and chooses Undo. The dialog
# stays above the document, the text is not undone, and the key typed for
# the picked row is what OK stores. Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=customize_pick_x_shots
source "$(dirname "$0")/../../document/display/x_session.bash"
command -v xprop >/dev/null || { echo "xprop missing (scripts/setup installs it)"; exit 1; }
openbox >/dev/null 2>&1 & wm=$!
sleep 1
cd "$work"
printf 'doc\n' > doc.txt
printf 'open doc.txt\ntype QQ\nmenu 1109\n' > script.txt
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxapp" --prefs "$work/prefs" --gtk script.txt \
  > out.txt 2> err.txt & pid=$!
doc=$(window "doc.txt") || fail "the document did not open: $(cat err.txt)"
dialog=$(window "キー設定") || fail "the key settings did not open: $(cat err.txt)"
sleep 1.5
# The dialog aside, clear of the menus; the document clicked to the front.
xdotool windowmove "$dialog" 600 500; sleep 0.5
xdotool mousemove --window "$doc" 300 300 click 1; sleep 0.5
# Edit (the bar's second title), then its first item, Undo.
xdotool mousemove --window "$doc" 87 12 click 1; sleep 1
import -window root "$shots/1-edit-menu.png"
xdotool mousemove --window "$doc" 123 38 click 1; sleep 1
import -window root "$shots/2-picked.png"
# The dialog still stands above the document.
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*#//; s/,/ /g')
order=""
for id in $stacking; do
  [ $((id)) = "$doc" ] && order="${order}d"
  [ $((id)) = "$dialog" ] && order="${order}k"
done
[ "$order" = dk ] || fail "the dialog went behind the document ($order)"
# Ctrl+J for the picked row, then OK; the document saves as it stands.
xdotool mousemove --window "$dialog" 79 109 click 1; sleep 0.3
xdotool key End BackSpace BackSpace; xdotool type j; sleep 0.5
xdotool mousemove --window "$dialog" 430 335 click 1; sleep 1
import -window root "$shots/3-stored.png"
xdotool key ctrl+s; sleep 1
[ "$(cat doc.txt)" = QQdoc ] || fail "the choice ran: the file holds $(cat doc.txt)"
xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+Q did not end the program"
wait "$pid" || fail "kxapp exited with $?: $(cat err.txt)"
pid=""
prefs=$("$bin/kxapp" --prefs "$work/prefs" - <<<'print prefs')
grep -qx 'MKDT\[1\] = command 11 key 74 modifiers 0' <<<"$prefs" ||
  fail "Undo did not take Ctrl+J: $(grep MKDT <<<"$prefs")"
echo ok
