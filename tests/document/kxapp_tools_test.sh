#!/usr/bin/env bash
# The clipboard window, the scrap book and the character code table in the
# real program through kxapp: clips stored, named, chosen, deleted and kept
# across runs over one preference folder; the Edit menu's clip items; the
# window following another program's copy; the code table's cells typed
# into their document.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
line() { printf '%s\n' "$1" | grep -E "$2" || true; }

# 1. A first run starts with the factory clips. Storing: an empty name
#    beeps and stores nothing; a 40-byte name keeps 31 bytes; the stored
#    clip is an Edit-menu item; another program's copy reaches the open
#    window, which proposes a name for it.
out=$(app - <<'S'
menu 2
type Hello
select 0 5
key c cmd
menu 19
print window 1103
field 1104 a
key backspace
click 1105
print beeps
print items 1103
field 1104 0123456789012345678901234567890123456789
click 1105
print items 1103
print window 1103
clipboard from elsewhere
idle 3
print window 1103
print menus
quit
answer dont-save
S
)
[ "$(line "$out" '^beeps')" = "beeps 1" ] || fail "an empty name: $out"
[ "$(line "$out" '^[0-9] ' | head -3 | tr '\n' '|')" = "1 拝啓|2 敬具|3 区切り線|" ] || fail "factory clips: $out"
[ "$(line "$out" '^4 ')" = "4 0123456789012345678901234567890" ] || fail "the cut name: $out"
[ "$(line "$out" '^1104 ' | head -1)" = "1104 field 1 1 0 スタイル付きテキスト" ] || fail "proposed name: $out"
[ "$(line "$out" '^1104 ' | tail -1)" = "1104 field 1 1 0 テキスト" ] || fail "another program's copy: $out"
[ "$(line "$out" '^1105 ' | tail -1)" = "1105 button 1 1 0 登録" ] || fail "store after a new copy: $out"
[ -n "$(line "$out" '^  1523 0123456789012345678901234567890( |$)')" ] || fail "Edit menu: $out"
[ -f prefs/scrapbook.kxt ] || fail "no scrap book written"

# 2. A second run over the same folder: the clip is there, goes in at the
#    selection from the Edit menu, and is put on the clipboard when chosen;
#    a clip number past the count inserts nothing; deleting every clip and
#    closing the window removes the file and brings the factory clips back.
out=$(app - <<'S'
menu 2
type <>
select 1 1
menu 1523
menu 1530
print text
menu 19
choose 1103 4
print clipboard
print window 1103
click 1106
choose 1103 1
click 1106
choose 1103 1
click 1106
choose 1103 1
click 1106
print items 1103
menu 4
menu 19
print items 1103
quit
answer dont-save
S
)
[ "$(printf '%s\n' "$out" | head -1)" = "<Hello>" ] || fail "clip inserted: $out"
[ "$(printf '%s\n' "$out" | sed -n 2p)" = "Hello" ] || fail "chosen clip on the clipboard: $out"
[ "$(line "$out" '^1106 ')" = "1106 button 1 1 0 削除" ] || fail "delete enabled after choosing: $out"
[ "$(line "$out" '^[0-9] ' | tr '\n' '|')" = "1 拝啓|2 敬具|3 区切り線|" ] || fail "factory clips back: $out"
[ ! -f prefs/scrapbook.kxt ] || fail "an empty scrap book left its file"

# 3. The code table over a Japanese font: lead bytes greyed, half-width
#    katakana enabled; a click types its cell, a release outside the cell
#    nothing, cell 0D a paragraph break; Option enables the control codes.
out=$(app - <<'S'
menu 2
menu 1137
print window 3771
click 3771 73 22
drag 3771 73 22 120 22
click 3771 5 226
click 3771 150 30
click 3771 192 22
print text
menu 1137 option
print window 3771
quit
answer dont-save
S
)
[ "$(line "$out" '^3771 ' | head -1)" = "3771 grid 1 1 17 08-09 0D 11-14 20-7E 80 A1-DF FD-FF" ] || fail "Japanese grid: $out"
[ "$(line "$out" '^3771 ' | tail -1)" = "3771 grid 1 1 17 01-7E 80 A1-DF FD-FF" ] || fail "with Option: $out"
[ "$(printf '%s\n' "$out" | sed -n 4,5p | tr '\n' '|')" = "A|ｱ|" ] || fail "typed cells: $out"

# 4. A table whose document closed types nothing and does not fail; the
#    application's commands still reach past it (a new window, Quit).
out=$(app - <<'S'
menu 2
menu 1137
menu 1610
menu 4
click 3771 73 22
print windows
status 2
menu 2
print windows
quit
S
)
[ "$(printf '%s\n' "$out" | head -2 | sed 's/ *$//' | tr '\n' '|')" = "文字コード表|1 0|" ] || fail "table after its document closed: $out"
[ "$(printf '%s\n' "$out" | sed -n 3p)" = "名称未設定 2" ] || fail "new window from the table: $out"
echo ok
