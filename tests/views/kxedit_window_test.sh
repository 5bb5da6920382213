#!/usr/bin/env bash
# kxedit --window: mouse selection through the views, drags that move and
# copy text within a window (and across split panes), wheel steps, and the
# errors of bad steps and options.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
printf 'alpha beta gamma\rdelta' > "$dir/t.txt"
# The synthetic font: 6 pixels a character from the left edge, 12 a line.
out=$("$bin" --window "$dir/t.txt" - <<'STEPS'
mouse down 2 5
mouse move 31 5
mouse up 31 5
print selection
STEPS
)
check "mouse selection" "0 5" "$out"
out=$("$bin" --window "$dir/t.txt" - <<'STEPS'
select 0 6
drag 10 5 67 5
print text
STEPS
)
check "drag moves" "$(printf 'beta alpha gamma\ndelta')" "$out"
out=$("$bin" --window "$dir/t.txt" - <<'STEPS'
select 0 6
drag 10 5 67 5 option
print text
STEPS
)
check "drag with option copies" "$(printf 'alpha beta alpha gamma\ndelta')" "$out"
out=$("$bin" --window "$dir/t.txt" - <<'STEPS'
select 0 6
drag 10 5 20 5
print text
STEPS
)
check "a drop onto the dragged text does nothing" "$(printf 'alpha beta gamma\ndelta')" "$out"
out=$("$bin" --window --split 100 "$dir/t.txt" - <<'STEPS'
select 0 6
drag 10 5 1 125
print text
STEPS
)
check "drag into the other pane moves" "$(printf 'beta gamma\ralpha delta')" "$(echo "$out" | tr '\n' '\r' | sed 's/\r$//')"
"$bin" --window "$dir/t.txt" - <<< "wheel x" > /dev/null 2>&1
check "bad wheel" 1 $?
"$bin" --window "$dir/t.txt" - <<< "mouse sideways 1 2" > /dev/null 2>&1
check "bad mouse" 1 $?
# print panes: each text pane's frame and scroll position, then the split.
for k in $(seq 1 120); do echo "line $k of the text"; done > "$dir/long.txt"
out=$("$bin" --window --split 150 "$dir/long.txt" - <<'STEPS'
print panes
mouse move 100 50
wheel 2
print panes
STEPS
)
check "print panes of a split window" "pane 1 0 0 600 135 0 0
pane 2 0 156 600 385 0 0
split 2 150
pane 1 0 0 600 135 0 $(echo "$out" | sed -n 4p | cut -d' ' -f8)
pane 2 0 156 600 385 0 0
split 2 150" "$out"
[ "$(echo "$out" | sed -n 4p | cut -d' ' -f8)" -gt 0 ] || check "the wheel scrolls the first pane" "more than 0" "0"
out=$("$bin" --window --vertical --split 200 "$dir/long.txt" - <<< "print panes")
# Vertical writing: the first pane is the right one; the bar lies between.
read -r _ _ left1 _ _ _ _ _ <<< "$(echo "$out" | sed -n 1p)"
read -r _ _ _ _ right2 _ _ _ <<< "$(echo "$out" | sed -n 2p)"
read -r _ n at <<< "$(echo "$out" | sed -n 3p)"
[ "$n" == 2 ] && [ "$at" -ge "$right2" ] && [ "$at" -lt "$left1" ] ||
  check "a vertical split: the bar's left edge between the panes" "$right2 <= P < $left1" "$out"
out=$("$bin" --window "$dir/long.txt" - <<< "print panes")
check "one pane, no bar" "pane 1 0 0 600 385 0 0
split 1 0" "$out"
"$bin" --split 100 "$dir/t.txt" > /dev/null 2>&1
check "--split without --window" 2 $?
"$bin" --window --split 1000 "$dir/t.txt" > /dev/null 2>&1
check "--split below the window" 2 $?
exit $fail
