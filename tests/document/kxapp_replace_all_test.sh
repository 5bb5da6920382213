#!/usr/bin/env bash
# Replace-all on the real program through kxapp leaves the document
# modified, so that Save is enabled and saves the replacements: over a
# text whose matches span all of it, and over one with an emoji (a
# character outside Shift_JIS) between matches. Undo and redo bring back
# each text; the emoji stays as it was.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }

# The find dialog's Replace All, then Save's state, undo, redo and Save.
replace_all() {
  app - <<S
open $1
menu 1209
field 2106 日本
field 2107 にほん
click 2103
menu 1207
status 5
menu 11
print text
menu 28
print text
menu 5
status 5
S
}

printf '日本X日本' > whole.txt
out=$(replace_all whole.txt)
want=$(printf '%s\n' "1 0 " "日本X日本" "にほんXにほん" "0 0 ")
[ "$out" = "$want" ] || fail "whole text: $out"
[ "$(cat whole.txt)" = "にほんXにほん" ] || fail "whole text saved: $(cat whole.txt)"

printf '日本X😀日本\nabc\n' > emoji.txt
out=$(replace_all emoji.txt)
want=$(printf '%s\n' "1 0 " "日本X😀日本" "abc" "" "にほんX😀にほん" "abc" "" "0 0 ")
[ "$out" = "$want" ] || fail "emoji: $out"
[ "$(cat emoji.txt)" = "$(printf 'にほんX😀にほん\nabc')" ] || fail "emoji saved: $(cat emoji.txt)"

echo PASS
