#!/usr/bin/env bash
# Menu commands through the whole program: a dialog that holds the program
# lets no key equivalent reach the document behind it; a recent folder's
# submenu lists its files; the font menu checks the family a text in the
# default font draws with; line ends, encoding and the own format count as
# changes; a page form chosen again, or OK with nothing changed in the
# format, layout and header dialogs, leaves the document alone; Help holds
# About; the undo history names each shift by its direction.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$bin/kxapp" --prefs "$(mktemp -d "$work/prefs.XXXX")" -; }

printf 'hello\nworld\n' > a.txt
printf 'x\n' > b.txt

# 1. The go-to-line dialog holds the program: Cmd-S, Cmd-W, Cmd-1 and Cmd-F
#    do nothing (nothing saved, closed, brought forward or opened), nor are
#    their letters typed; Escape cancels it and the document is as it was.
out=$(run <<S
open $work/a.txt
type Q
menu 1211
key s cmd
key w cmd
answer dont-save
key 1 cmd
key f cmd
print windows
print window 2203
key escape
print windows
status 5
S
)
[ "$(cat a.txt)" = "$(printf 'hello\nworld')" ] || fail "a key behind the dialog saved: $(cat a.txt)"
[ "$(sed -n 1,2p <<<"$out")" = "$(printf '行へ移動\na.txt (modified)')" ] || fail "windows under the dialog: $out"
grep -q '^2203 field 1 1 100 1$' <<<"$out" || fail "a command key was typed into the field: $out"
[ "$(sed -n '/^2201 /,$p' <<<"$out" | sed 1d)" = "$(printf 'a.txt (modified)\n1 0 ')" ] || fail "after Escape: $out"

# Cmd-. cancels it as Escape does.
out=$(run <<S
open $work/a.txt
menu 1211
key . cmd
print windows
S
)
[ "$out" = "a.txt" ] || fail "Cmd-. did not cancel: $out"

# 2. A modal dialog over the text (the name stamp) runs no document
#    command either.
out=$(run <<S
open $work/a.txt
type Q
keys capslock+control+option
menu 1137
keys none
key s cmd
click 901
print windows
S
)
[ "$(cat a.txt)" = "$(printf 'hello\nworld')" ] || fail "Cmd-S in the name stamp dialog saved: $(cat a.txt)"
[ "$out" = "a.txt (modified)" ] || fail "name stamp: $out"

# 3. A recent folder's submenu lists its text files in the real menu bar.
mkdir -p folder
printf 'one\n' > folder/one.txt
printf 'two\n' > folder/two.txt
out=$(run <<S
open $work/folder/one.txt
print menus
S
)
[ "$(sed -n '/^    0 folder >$/,/^    ----$/p' <<<"$out")" = "$(printf '    0 folder >\n      0 one.txt\n      0 two.txt\n    ----')" ] ||
  fail "recent folder submenu: $(sed -n '/最近使った項目/,/履歴を消去/p' <<<"$out")"

# 3b. A file chosen in Save As joins the recent files, as an opened one does.
out=$(run <<S
open $work/folder/one.txt
type 1
answer $work/folder/three.txt
menu 6
print menus
S
)
[ "$(sed -n '/最近使った項目 >$/,/^    ----$/p' <<<"$out" | sed -n '2,3p')" = "$(printf '    0 three.txt\n    0 one.txt')" ] ||
  fail "save as in the recent files: $(sed -n '/最近使った項目/,/履歴を消去/p' <<<"$out")"

# 4. A text in the default font: its family carries the check.
out=$(run <<S
open $work/b.txt
print menus
S
)
[ "$(sed -n '/^  0 フォント >$/,/^  0 サイズ >$/p' <<<"$out" | grep -c ' checked$')" = 1 ] ||
  fail "no font checked: $(sed -n '/^  0 フォント >$/,/^  0 サイズ >$/p' <<<"$out")"

# 5. A new line-end choice makes Save possible and is what Save writes; the
#    choice already in force changes nothing; the encoding and the own
#    format count as changes too.
out=$(run <<S
open $work/b.txt
menu 1443
print windows
menu 1442
print windows
key s cmd
print windows
S
)
[ "$out" = "$(printf 'b.txt\nb.txt (modified)\nb.txt')" ] || fail "line ends: $out"
[ "$(od -An -c b.txt | tr -s ' ')" = " x \r \n" ] || fail "saved line ends: $(od -An -c b.txt)"
for cmd in 1452 1447; do
  out=$(run <<S
open $work/a.txt
menu $cmd
print windows
S
)
  [ "$out" = "a.txt (modified)" ] || fail "command $cmd: $out"
done

# 6. The page form in use chosen again changes nothing; another form keeps
#    the caret where it was.
out=$(run <<S
open $work/a.txt
select 3 3
menu 1931
print windows
menu 1935
print selection
S
)
[ "$out" = "$(printf 'a.txt\n3 3')" ] || fail "page forms: $out"

# 7. OK with nothing changed in the text format, page layout, header and
#    footer dialogs: no change, and the undo stays.
for dialog in "1410 2601" "1411 2701" "1412 2801" "1413 2801"; do
  set -- $dialog
  out=$(run <<S
open $work/a.txt
type Z
menu $1
click $2
print windows
status 11
S
)
  [ "$(sed -n 1p <<<"$out")" = "a.txt (modified)" ] && grep -q '^1 0 入力' <<<"$out" || fail "OK in dialog $1: $out"
  out=$(run <<S
open $work/a.txt
menu $1
click $2
print windows
S
)
  [ "$out" = "a.txt" ] || fail "OK in dialog $1 marked the document: $out"
done
# A changed header still counts.
out=$(run <<S
open $work/a.txt
menu 1412
field 2804 abc
click 2801
print windows
S
)
[ "$out" = "a.txt (modified)" ] || fail "a new header: $out"

# 8. Help holds About; the information item stays last.
out=$("$bin/kxapp" --prefs "$work/prefs" - <<<'print menus')
[ "$(sed -n '/^ヘルプ (136)$/,$p' <<<"$out" | sed -n '2p;$p')" = "$(printf '  201 kxtext について…\n  1021 kxtext について(Web) (disabled)')" ] ||
  fail "help menu: $(sed -n '/^ヘルプ (136)$/,$p' <<<"$out")"

# 9. The undo history names each shift by its own direction.
printf '    indented\nplain\n' > s.txt
out=$(run <<S
open $work/s.txt
menu 16
menu 1114
status 11
menu 11
menu 16
menu 1113
status 11
S
)
[ "$out" = "$(printf '1 0 右シフト1\n1 0 左シフト1')" ] || fail "shift names: $out"
