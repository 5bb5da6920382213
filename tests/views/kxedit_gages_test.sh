#!/usr/bin/env bash
# kxedit --window --lines --status: the margin takes 40 pixels beside the
# text (clicks land 40 pixels further right), the status bar the left end
# of the scroll-bar row; both need --window; line numbers show in the
# margin's column of the picture.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
printf 'alpha beta gamma\rdelta' > "$dir/t.txt"
# The synthetic font: 6 pixels a character, 12 a line; the margin is 40 wide.
out=$("$bin" --window --lines --status "$dir/t.txt" - <<'STEPS'
mouse down 42 5
mouse move 71 5
mouse up 71 5
print selection
STEPS
)
check "a click beside the margin" "0 5" "$out"
# The same drag as one tracked step: its moves reach the text's tracking.
out=$("$bin" --window --lines --status "$dir/t.txt" - <<'STEPS'
mouse track 42 5 71 5
print selection
STEPS
)
check "a tracked drag beside the margin" "0 5" "$out"
# The margin selects whole lines: a click the line under it, a drag the
# lines from the press to the release (synthetic lines 12 pixels high).
for k in 1 2 3 4 5 6 7 8; do echo "line $k"; done > "$dir/lines.txt"
out=$("$bin" --window --lines "$dir/lines.txt" - <<'STEPS'
mouse down 10 30
mouse up 10 30
print selection
mouse track 10 30 10 54
print selection
mouse track 10 66 10 66 shift
print selection
mouse track 10 54 10 30
print selection
STEPS
)
check "a click and drags in the margin" "14 21
14 35
14 42
14 35" "$(echo "$out" | tr -d '\r')"
"$bin" --window --lines --status --split 100 "$dir/t.txt" /dev/null
check "a split window with margins and the status bar" "0" "$?"
"$bin" --window --lines --status --vertical --split 100 "$dir/t.txt" /dev/null
check "vertical writing with margins and the status bar" "0" "$?"
"$bin" --lines "$dir/t.txt" /dev/null 2>/dev/null
check "--lines without --window" "2" "$?"
"$bin" --status "$dir/t.txt" /dev/null 2>/dev/null
check "--status without --window" "2" "$?"
# Pictures with and without the margin differ only where the margin and
# the status bar are drawn.
for k in $(seq 1 60); do echo "line $k"; done > "$dir/many.txt"
printf 'shot %s\n' "$dir/plain.png" > "$dir/s1.txt"
printf 'shot %s\n' "$dir/gages.png" > "$dir/s2.txt"
"$bin" --window "$dir/many.txt" "$dir/s1.txt" || { echo "FAIL: plain window"; fail=1; }
"$bin" --window --lines --status "$dir/many.txt" "$dir/s2.txt" || { echo "FAIL: window with gages"; fail=1; }
cmp -s "$dir/plain.png" "$dir/gages.png" && { echo "FAIL: the margin and the status bar are not drawn"; fail=1; }
exit $fail
