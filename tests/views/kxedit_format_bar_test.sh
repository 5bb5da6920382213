#!/usr/bin/env bash
# kxedit --window --format-bar: the steppers on the virtual clock (a step at
# the press, then after 60 ticks one every 3 for line spacing and every 6
# for character spacing, 20 after a multiple of 10), kept in 0..100 and
# undone in one step; the size pop-up's bigger and smaller kept to their
# limits; a 17th tab refused; a read-only text whose pop-ups open and
# change nothing while the page-form pop-up still sends its command.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
printf 'alpha beta gamma\rdelta\repsilon' > "$dir/t.txt"
# The line spacing and character spacing fields of `print ruler`'s para line.
spacing() { grep '^para' | cut -d' ' -f5,6; }

# Wide layout (the default 1024 x 768 screen): line plus at 400, char plus
# at 460 (see the control lines of print ruler).
out=$("$bin" --window --format-bar "$dir/t.txt" - <<'STEPS' | spacing
mouse hold 400 8 0
print ruler
mouse hold 400 8 59
print ruler
mouse hold 400 8 61
print ruler
mouse hold 400 8 100
print ruler
mouse hold 460 8 100
print ruler
STEPS
)
# Each hold adds to the last: 1 on a click; 59 ticks still one step; past
# 60 the second (4); 100 ticks: a step at the press, at 60, 63, ..., to a
# multiple of 10 (10 at 78), a pause of 20, then 98: 4 + 1 + 7 + 1 = 13.
# Character spacing: at the press, 60, 66, 72, 78, 84, 90, 96: 8.
check "stepper timing" "1 0
2 0
4 0
13 0
13 8" "$out"

out=$("$bin" --window --format-bar "$dir/t.txt" - <<'STEPS' | spacing
mouse hold 380 8 50
print ruler
mouse hold 400 8 2000
print ruler
undo
print ruler
redo
print ruler
STEPS
)
check "steppers stay in 0..100, one undo, one redo" "0 0
100 0
0 0
100 0" "$out"

# The size pop-up (at 130): bigger from 4999 stays there; smaller from 2
# stays there; the size dialog's item goes to the document.
printf 'x' > "$dir/one.txt"
out=$("$bin" --window --format-bar --size 1000 "$dir/one.txt" - 2>&1 <<'STEPS'
select 0 1
mouse click 130 8
popup 9
mouse click 130 8
popup 9
print styles
mouse click 130 8
popup 11
print calls
STEPS
)
check "size pop-up: smaller twice, then the dialog" "0 1 0 0 998
ObeyCommand 303" "$(echo "$out" | sed -n '1p' | cut -d' ' -f1,4-7; echo "$out" | sed -n '2p')"

# The font pop-up checks the text's family (the application font stands
# for one); with two fonts in the selection both carry the mixed mark "-".
out=$("$bin" --window --format-bar "$dir/t.txt" - <<'STEPS'
select 0 3
mouse click 20 8
print popup
popup 2
select 0 10
mouse click 20 8
print popup
STEPS
)
check "font pop-up marks" "1 1 18 KX Synthetic Gothic
2 1 0 KX Synthetic Roman
1 1 45 KX Synthetic Gothic
2 1 45 KX Synthetic Roman" "$out"

# 16 tabs from the bar's first two tab buttons (at 226 and 244 in an 815 px
# bar: two presses in one place would be a double click), one more is
# refused.
steps=""
for k in $(seq 1 17); do steps+="mouse track $((226 + k % 2 * 18)) 8 $((20 + k * 30)) 22"$'\n'; done
out=$("$bin" --window --format-bar --width 800 "$dir/t.txt" - <<STEPS | grep -E '^(para|beeps)'
$steps
print ruler
print beeps
STEPS
)
check "a 17th tab is refused" "para 0 0 0 0 0 0 16
beeps 1" "$out"

# Read-only: the style pop-up opens with every item disabled, the stepper
# and justification do nothing, the indent-mode toggle still flips and the
# page-form pop-up still sends its command.
out=$("$bin" --window --format-bar --readonly "$dir/t.txt" - 2>&1 <<'STEPS'
mouse click 170 8
popup 2
mouse hold 400 8 0
mouse click 330 8
mouse click 200 8
print ruler
mouse click 560 8
popup 3
print calls
STEPS
)
check "read-only" "kxedit: line 2: popup 2: not enabled" "$(echo "$out" | head -n 1)"
out=$("$bin" --window --format-bar --readonly "$dir/t.txt" - 2>&1 <<'STEPS'
mouse hold 400 8 0
mouse click 330 8
mouse click 200 8
print ruler
mouse click 560 8
popup 3
print calls
STEPS
)
check "read-only: the toggle flips, nothing else changes" "ruler 0 566 0 600 1 0 0
para 0 0 0 0 0 0 0
ObeyCommand 1933" "$(echo "$out" | grep -E '^(ruler|para|Obey)')"
exit $fail
