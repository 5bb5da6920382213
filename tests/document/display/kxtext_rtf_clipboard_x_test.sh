#!/usr/bin/env bash
# RTF between the editor and other programs on a virtual display: RTF
# another program copies (xclip, text/rtf alone) pastes with Ctrl+V, bold
# included, and undoes in one step; a copy in the editor offers text/rtf
# that starts as RTF does and reads back, bold included, through the
# program's own importer.
set -euo pipefail
SHOTS_NAME=kxtext_rtf_clipboard_shots
source "$(dirname "$0")/x_session.bash"
command -v xclip >/dev/null || { echo "xclip missing (scripts/setup installs it)"; exit 1; }
clip=""
trap 'cleanup; [ -n "$clip" ] && kill "$clip" 2>/dev/null || true' EXIT
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.4; }

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
printf 'start\n' > "$work/paste.txt"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$work/paste.txt" >"$work/log" 2>&1 &
pid=$!
w=$(window paste.txt) || fail "no window"
xdotool windowactivate --sync "$w"; sleep 0.5

printf '{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\f0 plain {\\b bold}}' > "$work/p.rtf"
xclip -selection clipboard -t text/rtf -i "$work/p.rtf" & clip=$!
sleep 0.5
keys ctrl+End ctrl+v ctrl+s
import -window root "$shots/1-pasted.png"
contents "$work/paste.txt" $'start\nplain bold' || fail "pasted RTF: $(cat "$work/paste.txt")"
keys ctrl+z ctrl+s
contents "$work/paste.txt" 'start' || fail "one undo left: $(cat "$work/paste.txt")"
keys ctrl+shift+z ctrl+s
contents "$work/paste.txt" $'start\nplain bold' || fail "redo: $(cat "$work/paste.txt")"

# The pasted line copied again: other programs get it as RTF.
keys shift+Home ctrl+c
sleep 0.5
xclip -selection clipboard -o -t TARGETS > "$work/targets" 2>&1 || true
grep -qx 'text/rtf' "$work/targets" || fail "no text/rtf offered: $(cat "$work/targets")"
xclip -selection clipboard -o -t text/rtf > "$work/copy.rtf" 2>&1 || fail "text/rtf could not be read"
[ "$(head -c 5 "$work/copy.rtf")" = '{\rtf' ] || fail "not RTF: $(head -c 80 "$work/copy.rtf")"
"$bin/kxrtf" --import "$work/copy.rtf" > "$work/import" || fail "the importer refused the copy: $(cat "$work/import")"
[ "$(sed -n 1p "$work/import")" = 'plain bold' ] || fail "copied text: $(cat "$work/import")"
# Style runs: offset, height, ascent, font, face, ...; bold is face bit 1,
# on "bold" (from offset 6) alone.
faces=$(awk '/^styles/{s=1;next} /^(decos|paras)/{s=0} s{printf "%s:%d ", $1, $5%2}' "$work/import")
[ "$faces" = "0:0 6:1 " ] || fail "bold did not come back on its word ($faces): $(cat "$work/import")"
keys ctrl+q
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
wait "$pid" || fail "kxtext exited with $?: $(cat "$work/log")"
pid=""
if grep -E 'Gtk-(CRITICAL|WARNING)|GLib-(CRITICAL|WARNING)' "$work/log"; then fail "toolkit warnings on stderr"; fi
echo ok
