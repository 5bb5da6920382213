#!/usr/bin/env bash
# The statements of a macro that reach past typing, run in the real program
# through kxapp: find with options and its jump, the note alert, the input
# dialog (OK, Cancel, answer shown, number answer), line-number restarts,
# date and time, and documents brought forward by name, in turn and from
# the recent files.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" "$@"; }
# Steps that read each macro file into the editor and store it: the n-th
# is then command 1149 + n.
store() { echo "menu 1148"; for m in "$@"; do printf 'answer %s\nclick 3311\nclick 3310\n' "$work/$m"; done; echo "menu 4"; }

# restart clear at line 2, restart set at line 2 (number register 1 = 2)
printf '\x06\x00\x05\x3d\x0b\x01\x012\x0a\x00\x02\x52\x3d' > unrestart
printf '\x06\x00\x05\x3d\x0b\x01\x012\x0a\x00\x02\x51\x3d' > restart
# find "b+" as a pattern, insert X; find "q" or stop; insert "never"
printf '\x08\x00\x08\x01\x00\x10\x02b+\x00\x03\x02\x00\x01X\x08\x00\x07\x01\x00\x00\x01q\x00\x03\x02\x00\x05never' > find
# note "hi", then insert N
printf '\x09\x00\x07\x01\x00\x02hi\x00\x00\x02\x00\x01N' > note
# string register 1 = "hey"; input dialog "name?" on it (Cancel stops); insert it
printf '\x06\x00\x07\x33\x0b\x01\x03hey\x09\x00\x0a\x00\x33\x05name?\x00\x03\x06\x00\x03\x33\x14\x00' > input
# input dialog on number register 1; insert it
printf '\x09\x00\x07\x00\x3d\x02n?\x00\x03\x06\x00\x03\x3d\x14\x00' > number
printf 'abbbc\nxyz\n' > doc.txt

out=$(app - <<S
open $work/doc.txt
$(store unrestart restart find note input number)
menu 1150
print windows
menu 1151
print windows
menu 1152
answer ok
menu 1153
print alerts
menu 1154
print window 3354
field 3354 you
click 900
menu 1154
click 901
menu 1155
field 3354 12 apples
click 900
print text
S
)
expected=$(printf 'doc.txt\ndoc.txt (modified)\nnote: hi\nwindow 入力\n3353 caption 1 1 0 name?\n3352 other 1 1 0\n3354 field 1 1 0 hey\n900 button 1 1 0 OK\n901 button 1 1 0 キャンセル\naXNyou12c\nxyz\n')
[ "$out" = "$expected" ] || fail "find, note, input, restart: $out"

# Date and time from the program's clock: text into a string register,
# the number into a number register.
date_time() { printf '\x0a\x00\x02%b\x33\x06\x00\x03\x33\x14\x00\x02\x00\x01|\x0a\x00\x02%b\x3d\x06\x00\x03\x3d\x14\x00' "$1" "$1"; }
date_time '\x4e' > date
date_time '\x4f' > time
out=$(app --clock 2005-04-01T09:05:07 - <<S
open $work/doc.txt
$(store date time)
select 0 0
menu 1150
type /
menu 1151
print text
S
)
[[ "$out" =~ ^"Fri, Apr 1, 2005|200504016/09:05|905"[0-9][0-9]abbbc ]] || fail "date and time: $out"

# Documents by name (any case), the one before in the list, and a recent
# file that is no longer open.
printf 'aaa\n' > a.txt; printf 'bbb\n' > b.txt; printf 'ccc\n' > c.txt
printf '\x06\x00\x09\x33\x0b\x01\x05A.txt\x0a\x00\x02\x49\x33\x02\x00\x01X' > named
printf '\x0a\x00\x02\x4a\x3d\x02\x00\x01Y' > before
printf '\x06\x00\x09\x33\x0b\x01\x05c.TXT\x0a\x00\x02\x49\x33\x02\x00\x01Z' > recent
out=$(app - <<S
open $work/a.txt
open $work/c.txt
menu 4
open $work/b.txt
$(store named before recent)
menu 1150
print windows
print text
menu 1151
print windows
print text
menu 1152
print windows
print text
S
)
expected=$(printf 'a.txt (modified)\nb.txt\nXaaa\n\nb.txt (modified)\na.txt (modified)\nYbbb\n\nc.txt (modified)\nb.txt (modified)\na.txt (modified)\nZccc\n')
[ "$out" = "$expected" ] || fail "documents: $out"
echo ok
