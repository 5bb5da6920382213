#!/usr/bin/env bash
# The real editor on a virtual display with a window manager, driven by
# synthesized keys: a file from the command line is typed into and saved
# (Ctrl+S), a new document is typed and saved under a new name through the
# file chooser, a modified document is closed with Ctrl+W answered Save,
# and Ctrl+Q ends the program. Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_x_shots
source "$(dirname "$0")/x_session.bash"
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.4; }
type_text() { xdotool type --delay 60 "$1"; sleep 0.4; }

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
printf 'first line\n' > "$work/given.txt"
# The chooser starts in the working folder: only a name is typed there.
cd "$work"
# The file chooser and the input machinery keep toolkit allocations to the
# end; the program's own leaks are the unit tests' concern.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$work/given.txt" >"$work/log" 2>&1 & pid=$!

w=$(window "given.txt") || fail "no window for the file given"
xdotool windowactivate --sync "$w"; sleep 0.3
type_text "Hello "
sleep 1.5   # the menus' delayed refresh
keys ctrl+s
contents "$work/given.txt" "Hello first line" || fail "Ctrl+S did not write the typed text: $(cat "$work/given.txt")"
import -window root "$shots/1-saved.png"

keys ctrl+n
w2=$(window "名称未設定") || fail "no untitled window after Ctrl+N"
xdotool windowactivate --sync "$w2"; sleep 0.3
type_text "second"
sleep 1.5
keys ctrl+s
chooser=$(window "保存|Save") || fail "no file chooser"
sleep 0.5
keys ctrl+a
type_text "named.txt"
import -window root "$shots/2-chooser.png"
keys Return
contents "$work/named.txt" "second" || fail "the chooser's file was not written"
window "named.txt" >/dev/null || fail "the window does not take the new name"

w3=$(window "named.txt")
xdotool windowactivate --sync "$w3"; sleep 0.3
type_text "more "
sleep 1.5
keys ctrl+w
sleep 1
import -window root "$shots/3-question.png"
keys Return   # Save is the default answer
contents "$work/named.txt" "secondmore " || fail "Ctrl+W answered Save did not save"

keys ctrl+q
# The closed window's focus may not have passed on yet when the key comes:
# it is pressed once more after ten seconds.
for k in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  [ "$k" = 100 ] && keys ctrl+q
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then fail "Ctrl+Q did not end the program"; fi
wait "$pid" || fail "kxtext exited with $?: $(cat "$work/log")"
pid=""
echo ok
