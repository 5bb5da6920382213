#!/usr/bin/env bash
# Typing from the desktop into a text engine in a real window: xdotool
# types through the X server, the window's input-method context (the
# toolkit's simple one) sees every key first, and the text engine's event
# handler inserts what comes out. A code-point entry (Ctrl+Shift+U, hex
# digits, space) shows a composition and then commits one character.
# Letters past ASCII arrive as committed text.
set -u
bin="${KX_BIN_DIR:?}/kxinput"
command -v xdotool >/dev/null || { echo "SKIPPED: xdotool is not installed (scripts/setup installs it)"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

run() { # the keys to send, as a function name; the text expected
  local send=$1 expected=$2
  rm -f "$dir/ready" "$dir/done"
  "$bin" --ready "$dir/ready" --until "$dir/done" --seconds 30 >"$dir/out.txt" 2>"$dir/err.txt" &
  local pid=$!
  for _ in $(seq 1 100); do [ -e "$dir/ready" ] && break; sleep 0.1; done
  if [ ! -e "$dir/ready" ]; then
    echo "FAIL: $send: the window never came up"; cat "$dir/err.txt"; fail=1
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; return
  fi
  local win
  win=$(xdotool search --sync --onlyvisible --name '^kxinput$' | head -n 1)
  xdotool windowfocus --sync "$win"
  sleep 0.3
  "$send"
  sleep 0.5
  touch "$dir/done"
  wait "$pid"
  local status=$?
  [ "$status" -eq 0 ] || { echo "FAIL: $send: exit $status"; cat "$dir/err.txt"; fail=1; }
  local got
  got=$(cat "$dir/out.txt")
  [ "$got" = "$expected" ] || { echo "FAIL: $send: got '$got', expected '$expected'"; fail=1; }
}

plain() { xdotool type --delay 40 "Hello, world"; }
# Super is the control key: Super+D moves right through the control-key table.
edits() { xdotool type --delay 40 "abcd"; xdotool key --delay 40 BackSpace Left Left super+d; xdotool type --delay 40 "X"; }
codepoint() {
  xdotool type --delay 40 "k"
  xdotool key --delay 60 ctrl+shift+u
  xdotool type --delay 60 "6f22"
  xdotool key --delay 60 space
  xdotool type --delay 40 "j"
}

# A click in the text ends a composition as the input method does: the
# code-point entry forgets its "u65e5" on the reset, so neither it nor a
# second copy lands anywhere, and the next key is typed where the click
# put the caret. The left edge of the first line is the text's start.
clickwhilecomposing() {
  xdotool type --delay 40 "k"
  xdotool key --delay 60 ctrl+shift+u
  xdotool type --delay 60 "65e5"
  clickstart
  xdotool type --delay 60 "Q"
  xdotool key --delay 60 End
  xdotool type --delay 60 "j"
}
clickstart() {
  local x y
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove --sync $((X + 2)) $((Y + 6)) click 1
  sleep 0.3
}
# A code point entered after the click is typed once, at the caret.
clickthencodepoint() {
  xdotool type --delay 40 "ab"
  xdotool key --delay 60 ctrl+shift+u
  xdotool type --delay 60 "672c"
  clickstart
  xdotool key --delay 60 ctrl+shift+u
  xdotool type --delay 60 "65e5"
  xdotool key --delay 60 space
}

# Letters past ASCII come as text the engine converts, never as bytes of
# another code (a Mac Roman é is the lead byte of a kanji in Shift_JIS).
accented() { xdotool type --delay 60 "café ¥üQ"; }

run plain "Hello, world"
run accented "café ¥üQ"
run edits "abXc"
run codepoint "k漢j"
run clickwhilecomposing "Qkj"
run clickthencodepoint "日ab"
exit $fail
