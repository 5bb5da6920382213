#!/usr/bin/env bash
# kxedit --window --ruler: where the ruler lies (40 px in beside the line
# numbers, at the right edge in vertical writing), what its double clicks
# ask of the document, its pop-ups (the unit menu changes the scale, the
# line menu's items follow the caret's line), drags of its marks as one
# undoable step each, and a read-only text that refuses them.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
printf 'alpha beta gamma\rdelta\repsilon' > "$dir/t.txt"

# Beside the margin the strip starts 40 px in, with the restart icon before it.
out=$("$bin" --window --ruler --lines "$dir/t.txt" - <<'STEPS' | grep -E '^(ruler|unit|line)'
print ruler
STEPS
)
check "the ruler beside the margin" "ruler 0 566 0 600 0 1 0
unit 601 1 614 14
line 5 1 18 14" "$out"
out=$("$bin" --window --ruler --vertical --width 300 "$dir/t.txt" - <<'STEPS' | grep -E '^(ruler|unit|line)'
print ruler
STEPS
)
check "a vertical ruler: no restart icon, the unit icon at the bottom" "ruler 0 566 0 300 0 1 1
unit 286 372 299 385" "$out"

# A double click on the strip asks for the format bar; the stand-in shows
# it, and the indent marks take the clicks instead of the margin marks.
out=$("$bin" --window --ruler "$dir/t.txt" - <<'STEPS'
mouse click 300 8 2
print calls
print ruler
print calls
STEPS
)
out=$(echo "$out" | grep -v '^control')
check "double click on the strip" "RulerToolsWindow 1 1
ruler 0 566 0 600 1 1 0
para 0 0 0 0 0 0 0
unit 601 18 614 31
first -4 17 5 35
left -4 29 5 35
right 596 17 605 35" "$out"

# The unit pop-up: the current unit checked (18), a choice is a new scale.
out=$("$bin" --window --ruler "$dir/t.txt" - <<'STEPS'
mouse click 606 8
print popup
popup 4
print ruler
STEPS
)
check "the unit pop-up" "1 1 0 文字
2 1 18 センチ
3 1 0 インチ
4 1 0 ポイント
5 1 0 倍角文字
ruler 2 1000 0 600 0 1 0
para 0 0 0 0 0 0 0
unit 601 1 614 14
margin 0 595 0 606 16" "$out"

# The line pop-up on line 1 offers nothing; on line 2 a restart, which
# can then be taken back. Without a pop-up, `popup` fails.
out=$("$bin" --window --ruler --lines "$dir/t.txt" - 2>&1 <<'STEPS'
mouse click 10 8
print popup
popup 0
select 18 18
mouse click 10 8
popup 1
mouse click 10 8
print popup
popup 2
print beeps
popup 1
STEPS
)
check "the line pop-up" "1 0 0 この行から番号を振り直す
2 0 0 振り直しを取り消す
3 0 0 すべての振り直しを取り消す
1 0 0 この行から番号を振り直す
2 1 0 振り直しを取り消す
3 1 0 すべての振り直しを取り消す
beeps 0
kxedit: line 11: no pop-up menu is open" "$out"

# Drags: the first-line indent 60 px right, a double click on it opens the
# paragraph dialog on its field; undo takes the drag back in one step (the
# text had no paragraph runs of its own).
out=$("$bin" --window --ruler "$dir/t.txt" - <<'STEPS'
mouse click 300 8 2
mouse track 0 24 60 24
print paras
print calls
mouse click 60 24 2
print calls
undo
print paras
STEPS
)
check "an indent drag and its undo" "0 60 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0
17 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0
RulerToolsWindow 1 1
OpenParagraphDialog 2" "$out"

# Read-only: the drag changes nothing and sends nothing.
out=$("$bin" --window --ruler --readonly "$dir/t.txt" - <<'STEPS'
mouse click 300 8 2
mouse track 0 24 60 24
print paras
STEPS
)
check "read-only text refuses the drag" "" "$out"
# Nor do its line numbers restart: the pop-up offers nothing on line 2.
out=$("$bin" --window --ruler --lines --readonly "$dir/t.txt" - 2>&1 <<'STEPS'
select 18 18
mouse click 10 8
print popup
popup 1
STEPS
)
check "read-only text keeps its restarts" "1 0 0 この行から番号を振り直す
2 0 0 振り直しを取り消す
3 0 0 すべての振り直しを取り消す
kxedit: line 4: popup 1: not enabled" "$out"

# The options need a window.
"$bin" --ruler "$dir/t.txt" /dev/null 2>/dev/null
check "--ruler without --window" "2" "$?"
exit $fail
