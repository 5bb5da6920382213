#!/usr/bin/env bash
# Marks changed from the mark list or the mark dialog in the middle of a
# typing run are no part of the run: undo takes back only the typing after
# them (one undo took the change back with the whole run). An outline of
# levels 0, 1, 2 then 0 keeps its levels through Replace All and its undo
# (the last mark took the level 2 of the one before it).
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }
printf 'Chapter one\nSome text here\nSection A\nMore text\nSub part\nChapter two\nEnd\n' > doc.txt
# Rows of the outline stand 16 pixels apart; an option-click selects one
# without jumping to its mark.
row() { printf 'click 3702 30 %s option\n' $(( ($1 - 1) * 16 + 5 )); }
list_marks() {
  printf 'open doc.txt\nmenu 1229\n'
  for r in "0 11" "27 36" "47 55" "56 67"; do printf 'select %s\nclick 3705\n' "$r"; done
}

# 1. A level changed in the list while typing goes on.
out=$(app - <<S
$(list_marks)
select 12 12
type X
$(row 2)
click 3704
type Y
menu 11
print text
print marks
S
)
want=$(printf '%s\n' "Chapter one" "XSome text here" "Section A" "More text" "Sub part" "Chapter two" "End" "" \
  "0 11 1 Chapter one" "28 37 2 Section A" "48 56 0 Sub part" "57 68 0 Chapter two")
[ "$out" = "$want" ] || fail "level change amid typing: $out"

# 2. A mark deleted in the list, and one deleted in the mark dialog.
for del in "$(row 3)
click 3706" "menu 1220
choose 2354 3
click 2353"; do
  out=$(app - <<S
$(list_marks)
select 12 12
type X
$del
type Y
menu 11
print marks
S
)
  want=$(printf '%s\n' "0 11 0 Chapter one" "28 37 0 Section A" "57 68 0 Chapter two")
  [ "$out" = "$want" ] || fail "deletion amid typing ($del): $out"
done

# 3. Levels 0, 1, 2, 0 through Replace All, undo and redo.
out=$(app - <<S
$(list_marks)
$(row 2)
click 3704
$(row 3)
click 3704
click 3704
menu 1209
field 2106 Some
field 2107 Any
click 2103
menu 1207
print marks
menu 11
print marks
S
)
want=$(printf '%s\n' "0 11 1 Chapter one" "26 35 3 Section A" "46 54 4 Sub part" "55 66 0 Chapter two" \
  "0 11 1 Chapter one" "27 36 3 Section A" "47 55 4 Sub part" "56 67 0 Chapter two")
[ "$out" = "$want" ] || fail "levels through Replace All: $out"
echo PASS
