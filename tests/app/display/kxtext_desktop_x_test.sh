#!/usr/bin/env bash
# The real editor on a virtual display with a window manager, as a user of
# the desktop meets it: text that another program copies (xclip, under
# each text target) pastes with Ctrl+V; characters beyond Latin-1 typed on
# the keyboard arrive; the Redo item names its step. Screenshots stay in
# $KX_SHOT_DIR and stderr must hold no toolkit warning.
set -euo pipefail
bin="${KX_BIN_DIR:?}"
for tool in xdotool openbox import xclip; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done
work=$(mktemp -d)
shots="${KX_SHOT_DIR:-$bin/../kxtext_desktop_shots}"
mkdir -p "$shots"
pid=""; wm=""; clip=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$clip" ] && kill "$clip" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" GSETTINGS_BACKEND=memory XDG_CONFIG_HOME="$work/home/.config"; mkdir -p "$HOME"
fail() { echo "FAIL: $*"; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }
window() {   # waits up to 10 s for a window whose title matches
  local w=""
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
contents() {   # waits up to 10 s for a file's contents
  for _ in $(seq 100); do
    [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.4; }
type_text() { xdotool type --delay 80 "$1"; sleep 0.4; }
start() {   # FILE [env...]: starts the editor on FILE and focuses its window
  local file=$1
  shift
  env "$@" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$file" >"$work/log" 2>&1 &
  pid=$!
  w=$(window "$(basename "$file")") || fail "no window for $file"
  xdotool windowactivate --sync "$w"; sleep 0.5
}
stop() {
  keys ctrl+q
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "Ctrl+Q did not end the program"
  wait "$pid" || fail "kxtext exited with $?: $(cat "$work/log")"
  pid=""
  if grep -E "Gtk-(CRITICAL|WARNING)|GLib-(CRITICAL|WARNING)|Gdk-(CRITICAL|WARNING)" "$work/log"; then
    fail "toolkit warnings on stderr"
  fi
}

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5

# ---- Pasting what another program copied, under each text target --------------
printf '日本\n' > "$work/paste.txt"
start "$work/paste.txt"
keys ctrl+End
expected=$'日本\n'
for target in UTF8_STRING text/plain "text/plain;charset=utf-8" STRING TEXT; do
  [ -n "$clip" ] && kill "$clip" 2>/dev/null || true
  printf '末尾%s' "$target" | xclip -selection clipboard -t "$target" & clip=$!
  sleep 0.5
  keys ctrl+v
  expected="$expected末尾$target"
done
import -window root "$shots/1-pasted.png"
keys ctrl+s
contents "$work/paste.txt" "$expected" || fail "pasted text: $(cat "$work/paste.txt")"

# ---- Characters beyond Latin-1 from the keyboard -----------------------------------
type_text "末尾αβжx"
keys ctrl+s
expected="${expected}末尾αβжx"
contents "$work/paste.txt" "$expected" || fail "typed text: $(cat "$work/paste.txt")"
import -window root "$shots/2-typed.png"
stop
echo ok
