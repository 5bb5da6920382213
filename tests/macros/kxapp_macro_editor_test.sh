#!/usr/bin/env bash
# The macro editor in the real program through kxapp: a macro file read,
# lines deleted from the list, edited in their panes and added, stored,
# written and read back; a write that fails is reported; closing with
# unstored changes asks, and a cancel keeps the window.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

# text "ab", key left, goto line 1, label "L"
printf '\x02\x00\x02ab\x03\x1c\x00\x04\x00\x03\x01\x011\x05\x00\x02\x01L' > "マクロ"
printf 'doc\n' > doc.txt
touch plain

out=$(app - <<S
open doc.txt
print macros
menu 1148
answer $work/マクロ
click 3311
print macros
choose 3304 2 3
key backspace
choose 3304 1
field 3326 xyz
choose 3303 4
choose 3334 1
field 3338 3
print cells 3304
click 3310
print macros
answer $work/plain/x
click 3312
answer ok
print alerts
answer $work/written
click 3312
menu 4
print windows
S
)
expected=$(cat <<'E'
0 -
0 -
1 マクロ 0200026162031c0004000301013105000201
1 - - 1   テキスト 	xyz
2 * - 2   ジャンプ 	行
3 - - 3   ラベル 	L
0 -
1 マクロ 02000378797a04000301013305000201
stop: ファイルを保存できませんでした。
doc.txt
E
)
# (the label's byte 4c follows on the macro lines)
expected=${expected//0200026162031c0004000301013105000201/0200026162031c00040003010131050002014c}
expected=${expected//02000378797a04000301013305000201/02000378797a040003010133050002014c}
[ "$out" = "$expected" ] || fail "editing: $out"
[ "$(od -An -tx1 written | tr -d ' \n')" = "02000378797a040003010133050002014c" ] || fail "written: $(od -An -tx1 written)"

# Reading the written file adds a macro with the same bytes; changes ask
# before closing: cancel keeps the editor, don't save closes it.
out=$(app - <<S
open doc.txt
menu 1148
answer $work/written
click 3311
choose 3304 1
field 3326 changed
menu 4
answer cancel
print windows
menu 4
answer dont-save
print windows
print macros
S
)
# (the macro stored above was kept in the preferences)
expected=$(printf 'マクロエディタ\ndoc.txt\ndoc.txt\n0 -\n1 マクロ 02000378797a040003010133050002014c\n2 written 02000378797a040003010133050002014c')
[ "$out" = "$expected" ] || fail "closing: $out"

# A file that is no macro is refused with a message.
printf '\x02\x00\x09ab' > junk
out=$(app - <<S
open doc.txt
menu 1148
answer $work/junk
click 3311
print alerts
print macros
S
)
[ "$(echo "$out" | head -2)" = "$(printf 'stop: ファイルを読み込めませんでした。\n0 -')" ] || fail "bad file: $out"

# Closing from inside the editor's own file dialog waits until the dialog
# returns: the window goes at the next idle turn, nothing is used after.
out=$(app - <<S
open doc.txt
menu 1148
answer $work/written
click 3311
click 3312
menu 4
answer cancel
idle 2
print windows
S
)
[ "$out" = "doc.txt" ] || fail "close inside a dialog: $out"

# A new goto line left as it is jumps to no line: storing shows its panes
# and names the line. Quitting with the change asks first; cancel stays.
out=$(app - <<S
open doc.txt
menu 1148
choose 3303 4
click 3310
print alerts
print window 3334
quit
answer cancel
print windows
S
)
grep -q '^note: 1' <<<"$out" || fail "bad line note: $out"
grep -q '^3334 radio 1 1 1 ' <<<"$out" || fail "bad line shown: $out"
[ "$(echo "$out" | tail -2)" = "$(printf 'マクロエディタ\ndoc.txt')" ] || fail "quit cancelled: $out"
echo ok
