#!/usr/bin/env bash
# The real editor's document window with the line-number margin and the
# status bar the preferences ask for: both shown when asked, the margin
# absent with the factory settings (status bar only). The margin is the
# grey band at the left of the text; the status bar shows the caret's
# line and column; Select All still highlights the text. Screenshots stay
# in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_gages_x_shots
source "$(dirname "$0")/x_session.bash"
for tool in convert python3; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done
start() {
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$@" >>"$work/log" 2>&1 & pid=$!
}
stop() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
}
# Writes a preference file with the margin (byte 8 of the main record) and
# the status bar (byte 9) switched as given.
prefs() {
  mkdir -p "$HOME/.config/kxtext"
  "$bin/kxprefs" --write "$work/prefs.default" >/dev/null
  python3 - "$work/prefs.default" "$HOME/.config/kxtext/preferences" "$1" "$2" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = 0
while at + 8 <= len(data):
    tag, n = data[at:at + 4], struct.unpack('>I', data[at + 4:at + 8])[0]
    if tag == b'KXTP':
        data[at + 8 + 8] = int(sys.argv[3])
        data[at + 8 + 9] = int(sys.argv[4])
        data[at + 8 + 64] = 0   # no tool palette: the window keeps its full height
        break
    at += 8 + n
else:
    sys.exit('no KXTP chunk')
open(sys.argv[2], 'wb').write(data)
PY
}
# Mean grey level (0-255) of a region WxH+X+Y of a PNG.
level() { convert "$1" -crop "$2" +repage -colorspace gray -format '%[fx:int(255*mean)]' info:; }

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
seq 1 40 | sed 's/^/line /' > "$work/numbers.txt"

shot() {
  local name=$1 w
  start "$work/numbers.txt"
  w=$(window "numbers.txt") || fail "no window for numbers.txt: $(cat "$work/log")"
  # A window not yet drawn is one colour; a loaded machine takes seconds.
  for _ in $(seq 40); do
    sleep 0.5
    import -window "$w" "$shots/$name.png"
    [ "$(convert "$shots/$name.png" -format %k info:)" -ge 3 ] && break
  done
  sleep 0.5
  import -window "$w" "$shots/$name.png"
  # Select All highlights the text beside the margin and above the bar.
  xdotool key --clearmodifiers ctrl+a
  sleep 0.8
  import -window "$w" "$shots/$name-all.png"
  stop
  echo "$w"
}

# Margin and status bar asked for.
prefs 1 1
shot both >/dev/null
# Factory settings: the status bar, no margin.
prefs 0 1
shot status >/dev/null
# Neither.
prefs 0 0
shot none >/dev/null

geom=$(convert "$shots/both.png" -format '%w %h' info:)
read -r W H <<<"$geom"
# The margin's grey band (x 2..32, below the last line of the text) is
# drawn only when asked for; without it the paper there is white.
band="30x150+2+$((H - 200))"
[ "$(level "$shots/both.png" "$band")" -lt 250 ] || fail "no line-number margin at the left (both.png)"
[ "$(level "$shots/status.png" "$band")" -ge 250 ] || fail "a margin shown though not asked for (status.png)"
# The status bar: the bottom-left 120 x 12 pixels show it (its frames and
# the caret's line and column) when shown; without it the horizontal
# scroll bar reaches the left edge there.
bar="120x12+4+$((H - 15))"
corner() { convert "$1" -crop "$bar" +repage rgb:-; }
cmp -s <(corner "$shots/both.png") <(corner "$shots/status.png") || fail "the status bar differs with the margin shown"
if cmp -s <(corner "$shots/status.png") <(corner "$shots/none.png"); then
  fail "the status bar's corner looks the same with the bar hidden (none.png)"
fi
# The numbers sit beside their lines at the desktop's resolution: the last
# dark row of the margin (the number 41, of the empty last line) lies one
# text line below the last dark row of the text ("line 40").
lowest() {   # PNG X W: the lowest row with dark pixels in columns X..X+W-1
  convert "$1" -crop "${3}x$((H - 40))+$2+24" +repage -colorspace gray pgm:- | python3 -c '
import sys
d = sys.stdin.buffer.read().split(b"\n", 3)
w, h = map(int, d[1].split()); px = d[3]
print(max((y for y in range(h) if min(px[y * w:(y + 1) * w]) < 100), default=-1))'
}
margin_end=$(lowest "$shots/both.png" 20 16)
text_end=$(lowest "$shots/both.png" 44 60)
gap=$((margin_end - text_end))
[ "$gap" -ge 8 ] && [ "$gap" -le 24 ] || fail "numbers out of step with the lines (margin ends at $margin_end, text at $text_end)"
# The highlight of Select All: the first lines (below the ruler and its
# format bar) turn dark
# where the text is (the margin and the bar hand the drawing back to the
# text).
for n in both status none; do
  x=$([ "$n" = both ] && echo 44 || echo 4)
  dark=$(convert "$shots/$n-all.png" -crop "40x40+$x+80" +repage -colorspace gray -format '%[fx:mean<0.5]' info:)
  [ "$dark" = 1 ] || fail "Select All drew no highlight ($n-all.png)"
done
echo "PASS"
