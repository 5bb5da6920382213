#!/usr/bin/env bash
# The mark list and the marks stay true to the text: after Replace All took
# marks away, after Revert, and while the text switches to read-only and
# back; an empty mark at the start of another comes back on reopening and
# on undo.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }
printf 'Chapter One\nSome text here.\nChapter Two\nMore text.\nSection A\nDetail.\nChapter Three\nEnd.' > doc.txt

# An outline saved with the list open: Section A under Chapter Two, folded.
app - > /dev/null <<S
open $work/doc.txt
menu 1229
select 0 11
click 3705
select 28 39
click 3705
select 51 60
click 3705
select 69 82
click 3705
click 3702 40 40 option
click 3704
click 3702 5 24
answer $work/out.kxt
menu 6
S
rows="1 1 0 0 0 0 Chapter One
2 2 0 1 1 0 Chapter Two
3 4 0 0 0 0 Chapter Three"

# 1. Replace All that takes three marks with their text: the list keeps
# only the one left, and undo brings the rows back.
out=$(app - <<S
open $work/out.kxt
select 0 7
menu 1204
select 0 2
menu 1208
answer ok
menu 1207
print marklist
menu 11
print marklist
S
)
want="1 1 0 0 0 0 Section A
buttons 0 0 0 0
$rows
buttons 0 0 0 0"
[ "$out" = "$want" ] || fail "list after Replace All: $out"

# 2. Revert after deleting a mark in the list: the file's rows at once.
out=$(app - <<S
open $work/out.kxt
click 3702 40 8
click 3706
answer ok
menu 7
print marklist
S
)
[ "$out" = "$rows
buttons 0 0 0 0" ] || fail "list after Revert: $out"

# 3. Read-only and back: the button row and its toggle follow at once; the
# user's own hiding outlives it. A fold in read-only text changes no file.
out=$(app - <<S | grep -v -e '^370[0-6] ' -e '^window '
open $work/out.kxt
menu 1124
print marklist
print window 3702
menu 1124
print marklist
click 3707
menu 1124
menu 1124
print marklist
menu 1124
click 3702 5 24
print marklist
print windows
S
)
want="$rows
buttons 0 0 0 1
3707 button 0 1 0 ▲
$rows
buttons 0 0 0 0
$rows
buttons 0 0 0 1
1 1 0 0 0 0 Chapter One
2 2 0 1 0 0 Chapter Two
3 3 1 0 0 0 Section A
4 4 0 0 0 0 Chapter Three
buttons 0 0 0 1
out.kxt"
[ "$out" = "$want" ] || fail "read-only list: $out"

# 4. An empty mark at the start of another, from the mark dialog: saved,
# reopened, and through a deletion and its undo.
app - > /dev/null <<S
open $work/doc.txt
select 0 11
menu 1220
click 2351
select 0 0
menu 1220
field 2355 Top
click 2351
answer $work/e1.kxt
menu 6
S
out=$(app - <<S
open $work/e1.kxt
print marks
select 0 20
key delete
menu 11
print marks
S
)
want="0 0 0 Top
0 11 0 Chapter One
0 0 0 Top
0 11 0 Chapter One"
[ "$out" = "$want" ] || fail "empty mark at another's start: $out"
echo PASS
