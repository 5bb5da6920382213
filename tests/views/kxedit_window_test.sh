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
"$bin" --split 100 "$dir/t.txt" > /dev/null 2>&1
check "--split without --window" 2 $?
"$bin" --window --split 1000 "$dir/t.txt" > /dev/null 2>&1
check "--split below the window" 2 $?
exit $fail
