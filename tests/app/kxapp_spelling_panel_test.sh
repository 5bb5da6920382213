#!/usr/bin/env bash
# The correction panel with words that hold characters Shift_JIS lacks: the
# word shown, a guess chosen and a correction typed go back into the text
# whole, through edits of the field around such a character too.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export LANG=en_US.UTF-8
fail=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]" >&2
    fail=1
  fi
}
app() { rm -rf "$work/prefs"; "$bin/kxapp" --prefs "$work/prefs" - 2>&1; }

# 1. Hunspell finds "naïvve": the caption shows all of it; a correction
#    typed with é, or with an emoji after it, is written as typed.
found() {
  printf 'menu 2\ntype これはnaïvveです\nselect 0 0\nmenu 1251\n%s\n' "$1" | app
}
out=$(found 'print window 2198')
check "caption" "2198 caption 1 1 0 na〓vve" "$(grep '^2198 ' <<<"$out")"
out=$(found $'field 2195 thé\nclick 2191\nprint text')
check "typed thé" "これはthéです" "$(tail -n 1 <<<"$out")"
out=$(found $'field 2195 café😀\nclick 2191\nprint text')
check "typed café😀" "これはcafé😀です" "$(tail -n 1 <<<"$out")"

# 2. A checker's guess "naïve" for "naive", chosen from the list, then the
#    field edited (the caret starts at its end) before Change.
printf 'one naive two\n' > doc.txt
guess() {
  printf 'open doc.txt\nanswer %s\nmenu 1226\nmenu 1901\nchoose 2196 1\nclick 2195 200 10\n%s\nclick 2191\nprint text\n' \
    "$src/tests/data/checkers/fake_bytes" "$1" | app | tail -n 2 | sed -n 1p
}
check "guess" "one naïve two" "$(guess '')"
check "last letter retyped" "one naïve two" "$(guess $'key backspace\ntype e')"
check "letter before it" "one nxaïve two" "$(guess $'key home\nkey right\ntype x')"
check "letters after it" "one naïze two" "$(guess $'key left\nkey backspace\ntype z')"
# The placeholder's own character typed next to it: it keeps its side.
check "◯ before it" "one na◯ïve two" "$(guess $'key left\nkey left\nkey left\ntype ◯')"
check "◯ after it" "one naï◯ve two" "$(guess $'key left\nkey left\ntype ◯')"
check "it replaced" "one naéve two" "$(guess $'key left\nkey left\nkey backspace\ntype é')"
check "it deleted" "one nave two" "$(guess $'key left\nkey left\nkey backspace')"
check "it selected over" "one naxyve two" "$(guess $'key home\nkey right\nkey right\nkey right shift\ntype xy')"
# Cut and paste within the field, and a paste of another program's text.
check "cut and pasted" "one naveï two" "$(guess $'key left\nkey left\nkey left shift\nmenu 12\nkey end\nmenu 14')"
check "pasted from elsewhere" "one résumé😀 two" "$(guess $'clipboard résumé😀\nkey home\nkey end shift\nmenu 14')"
exit $fail
