#!/usr/bin/env bash
# A font chosen from the Font menu over text of another script leaves the
# characters it would change in their own font: the bytes of one script are
# other characters in another. ASCII takes the font; undo and redo swap the
# runs whole.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/p" -; }
# The synthetic command of a Font menu item: -(menu << 16 | item).
item() { printf 'menu 2\nprint menus\n' | app | sed -n '/フォント >/,/^  [^ ]/p' | grep -n -x "    0 $1\( checked\)\?" | cut -d: -f1; }
roman=$(( -((250 << 16) | $(item 'Nimbus Roman') - 1) ))
mincho=$(( -((250 << 16) | $(item 'IPAMincho') - 1) ))
runs() { awk 'NF == 10 && $1 ~ /^[0-9]+$/ { print $1, $4 }' | tr '\n' ' '; }

printf '日本語 abc 漢字「ｶﾅ」\n' > "$work/j.txt"
out=$(app <<S
open $work/j.txt
menu 16
menu $roman
print text
print styles
menu 11
print styles
menu 28
print styles
S
)
[ "$(head -n 1 <<<"$out")" = '日本語 abc 漢字「ｶﾅ」' ] || fail "the text changed: $out"
[ "$(runs <<<"$out")" = "0 1 6 15258 11 1 21 15258 0 1 0 1 6 15258 11 1 21 15258 " ] || fail "runs: $(runs <<<"$out")"

printf '{\\rtf1\\ansi{\\fonttbl\\f0\\froman Nimbus Roman;}\\f0 caf\\u233\\'"'"'e9 ok}' > "$work/r.rtf"
out=$(printf 'open %s\nmenu 16\nmenu %s\nprint text\nprint styles\n' "$work/r.rtf" "$mincho" | app)
[ "$(head -n 1 <<<"$out")" = 'café ok' ] || fail "the Roman text changed: $out"
[ "$(runs <<<"$out")" = "0 16895 3 15258 4 16895 " ] || fail "Roman runs: $(runs <<<"$out")"
