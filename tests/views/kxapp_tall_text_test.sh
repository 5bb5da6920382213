#!/usr/bin/env bash
# A text whose image passes 32767 pixels (3000 lines at 12 points is about
# 36000 tall, or wide in vertical writing): clicks and drags land on the
# line under the mouse, and selections, typing and the redraw after it are
# drawn where they are seen, at the end of the text in horizontal writing
# and at its start (the image's far right) in vertical writing.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
command -v compare >/dev/null || { echo "compare missing (scripts/setup installs imagemagick)"; exit 1; }
seq -f 'line %g' 1 3000 > t.txt
fail=0
run() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" "$1"; }
# The line (from 1) that holds a byte offset; every line end is one byte.
line_of() { head -c "$1" t.txt | tr -cd '\n' | wc -c | awk '{print $1 + 1}'; }
expect_line() { # what, offset, lowest, highest
  local line
  line=$(line_of "$2")
  if [ "$line" -lt "$3" ] || [ "$line" -gt "$4" ]; then
    echo "FAIL: $1: offset $2 is on line $line, not on $3..$4"
    fail=1
  fi
}
differ() { compare -metric AE "$1" "$2" /dev/null 2>&1 || true; }
keep() { if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp "$@" "$KX_SHOT_DIR/"; fi; }

# Horizontal: the view shows the last 50 lines, the top one near y 36000.
cat > h.txt <<'S'
open t.txt
key end cmd
click 1001 20 100
print selection
drag 1001 20 100 20 160
print selection
select 28700 28760
shot 1001 h-selected.png
select 100 100
shot 1001 h-plain.png
S
mapfile -t out < <(run h.txt)
read -r click _ <<< "${out[0]}"
read -r from to <<< "${out[1]}"
expect_line "click at the end" "$click" 2900 3000
expect_line "drag start" "$from" 2900 3000
[ $(( $(line_of "$to") - $(line_of "$from") )) -eq 5 ] || { echo "FAIL: a drag of 60 pixels selected $from..$to"; fail=1; }
# Six lines highlighted across the view: tens of thousands of pixels.
n=$(differ h-selected.png h-plain.png)
[ "$n" -gt 20000 ] 2>/dev/null || { echo "FAIL: the selection at the end changed $n pixels"; fail=1; keep h-selected.png; }

# Vertical: the text starts at the image's right edge, past 32767.
cat > v.txt <<'S'
open t.txt
menu 1408
key home cmd
click 1001 500 100
print selection
select 200 260
shot 1001 v-selected.png
select 28000 28000
shot 1001 v-plain.png
S
mapfile -t out < <(run v.txt)
read -r click _ <<< "${out[0]}"
expect_line "vertical click at the start" "$click" 30 60
n=$(differ v-selected.png v-plain.png)
[ "$n" -gt 20000 ] 2>/dev/null || { echo "FAIL: the vertical selection changed $n pixels"; fail=1; keep v-selected.png; }

# Typing near the end redraws its line as a whole redraw of the window
# shows it: the old text erased, the new drawn (the caret may differ).
cat > t-script.txt <<'S'
open t.txt
key end cmd
key up
key up
key home
type QQQ
shot 1001 typed.png
menu 1407
menu 1407
shot 1001 whole.png
S
run t-script.txt > /dev/null
n=$(differ typed.png whole.png)
[ "$n" -le 40 ] 2>/dev/null || { echo "FAIL: typing at the end left $n pixels unlike a whole redraw"; fail=1; keep typed.png whole.png; }

[ $fail -eq 0 ] && echo ok
exit $fail
