#!/usr/bin/env bash
# The real editor's window titles for files whose names hold characters
# Shift_JIS lacks: the desktop's title bar shows the whole name, with the
# modified star once the text changes; a Japanese name stays as it was.
# Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_title_x_shots
source "$(dirname "$0")/x_session.bash"
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.4; }
# Waits up to 10 s for window W's title to read T.
titled() {
  for _ in $(seq 100); do
    [ "$(xdotool getwindowname "$1" 2>/dev/null || true)" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
docs="$work/docs"; mkdir -p "$docs"
printf 'accent\n' > "$docs/café ✓ 😀.txt"
printf 'kanji\n' > "$docs/日本語.txt"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  "$bin/kxtext" "$docs/日本語.txt" "$docs/café ✓ 😀.txt" >>"$work/log" 2>&1 & pid=$!

kanji=$(window '^日本語\.txt$') || fail "no window titled 日本語.txt: $(cat "$work/log")"
accent=$(window '^café ✓ 😀\.txt$') || fail "no window titled with the whole name 'café ✓ 😀.txt'"
sleep 1
import -window root "$shots/titles.png"
# The later file is the front window: typing marks it changed.
xdotool windowactivate --sync "$accent" 2>/dev/null || true
keys x
titled "$accent" '*café ✓ 😀.txt' || fail "a change did not mark the whole title: '$(xdotool getwindowname "$accent")'"
[ "$(xdotool getwindowname "$kanji")" = '日本語.txt' ] || fail "the Japanese title changed: '$(xdotool getwindowname "$kanji")'"
import -window root "$shots/modified.png"
echo "PASS"
