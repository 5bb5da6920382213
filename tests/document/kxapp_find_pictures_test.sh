#!/usr/bin/env bash
# Finds in the real program: an inline picture (the byte of ﾊ) is found by
# no pattern and survives a replace-all that folds width.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }
jpeg=$src/tests/data/formats/jpeg-422.jpg

# ハ, ﾊ and the picture between them: a set of half-width kana finds ﾊ and
# then nothing; replace-all folding width replaces ﾊ and ハ, not the picture.
out=$(app - <<S
menu 2
type aﾊb
answer $jpeg
menu 1141
type cハ
select 0 0
menu 1201
field 2106 [ｱ-ﾝ]
choose 2116 0
choose 2114 1
click 2101
menu 1202
print selection
print beeps
menu 1209
field 2106 ハ
field 2107 X
choose 2114 0
choose 2110 1
click 2103
menu 1207
print text
print decos
S
)
want_sel="1 2"
[ "$(sed -n 1p <<<"$out")" = "$want_sel" ] || fail "the set found the picture: $out"
grep -q '^beeps 1$' <<<"$out" || fail "find next went on past the picture: $out"
# The picture prints as the character its byte is.
grep -q "^aXb$(printf '\xef\xbe\x8a')cX$" <<<"$out" || fail "replace-all: $out"
grep -q '^3 0 0 0 [1-9]' <<<"$out" || fail "the picture became text: $out"

echo ok
