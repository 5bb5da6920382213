#!/usr/bin/env bash
# Typed text plays back as it was typed, through kxapp: characters the
# script bytes have no code for come back as themselves, and a Return
# indents the new line when auto-indent is on.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() {
  rm -rf "$work/prefs"
  "$bin/kxapp" --prefs "$work/prefs" "$@"
}

# é€ß😀𠮷 are recorded as UTF-8 in a statement of their own (23), the
# kanji typed after them as Shift_JIS text (2); played at the start, both
# come back whole.
printf 'one\r' > u.txt
out=$(app - <<S
open u.txt
menu 1146
type é€ß😀𠮷
type 日本
menu 1146
print macros
select 0 0
menu 1147
print text
quit
answer dont-save
S
) || fail "unicode: exit $?"
expected=$(printf '0 17000fc3a9e282acc39ff09f9880f0a0aeb702000493fa967b\né€ß😀𠮷日本é€ß😀𠮷日本one\n')
[ "$out" = "$expected" ] || fail "unicode: $out"

# A Return recorded with auto-indent on indents when played, as typing it
# did; with auto-indent off it does not.
printf '    indented line\r' > ind.txt
out=$(app - <<S
open ind.txt
menu 1112
select 17 17
menu 1146
key return
type x
menu 1146
print macros
menu 1147
print text
menu 1112
menu 1147
print text
quit
answer dont-save
S
) || fail "indent: exit $?"
expected=$(printf '0 0200020d78\n    indented line\n    x\n    x\n\n    indented line\n    x\n    x\nx\n')
[ "$out" = "$expected" ] || fail "indent: $out"
echo ok
