#!/usr/bin/env bash
# Text from another program brings no style runs: it takes the style where
# it lands and is spelt in that style's script. Spelt in Japanese, a dash
# pasted into Roman text read as "Å\" and kanji as Mac Roman letters.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/p" -; }
item=$(printf 'menu 2\nmenu 1410\nprint items 2605\n' | app | grep -x '[0-9]* Nimbus Roman' | cut -d' ' -f1)
[ -n "$item" ] || fail "no Nimbus Roman"
pasted='café naïve – “quoted” ½ 日本'

# Into Roman text: shown and copied as it came.
out=$(app <<S
menu 2
menu 1410
choose 2605 $item
click 2601
type abc 
clipboard $pasted
menu 14
print text
menu 16
menu 13
print clipboard
print styles
S
)
[ "$(grep -c -x -F "abc $pasted" <<<"$out")" = 2 ] || fail "pasted into Roman text: $out"
# One run: the pasted text took the Roman style.
[ "$(awk 'NF == 10 && $1 ~ /^[0-9]+$/' <<<"$out" | wc -l)" = 1 ] || fail "runs: $out"

# Into Japanese text: as before, the Japanese spelling.
out=$(printf 'menu 2\ntype あ\nclipboard %s\nmenu 14\nprint text\n' "$pasted" | app)
[ "$out" = "あ$pasted" ] || fail "pasted into Japanese text: $out"
exit 0
