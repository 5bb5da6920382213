#!/usr/bin/env bash
# The multi-file search window through kxapp: the pattern snippets show only
# with regular expressions and go in at the field's selection; the find
# history gives a searched pattern back; an empty pattern beeps.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" LANG=C
mkdir -p "$HOME" "$work/t"
printf 'one abc\ntwo\n' > "$work/t/a.txt"
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

out=$(app - <<S
menu 1210
print window 3215
S
)
grep -qx "3215 popup 0 0 1 パターン" <<<"$out" || fail "snippets without expressions: $out"
out=$(app - <<S
menu 1210
folder 3204 $work/t
field 3205 zzz
click 3201
print beeps
choose 3214 1
field 3205 a
choose 3215 5
click 3201
print cells 3212
field 3205 x
choose 3206 3
print window 3205
field 3205
click 3201
print beeps
S
)
grep -qx "beeps 0" <<<"$out" || fail "search: $out"
grep -q "^1 \* 5 a.txt  .one abc$" <<<"$out" || fail "snippet search: $out"
grep -qx "3205 field 1 1 0 zzz" <<<"$out" || fail "history: $out"
[ "$(printf '%s\n' "$out" | tail -1)" = "beeps 1" ] || fail "empty pattern: $out"
# Open selects a match deep in a large Shift_JIS file: the match's offset is
# brought to a character boundary in one walk (this took minutes when each
# step read the text again from its start).
mkdir -p "$work/big"
python3 - "$work/big/big.txt" <<'P'
import sys
body = ("\u65e5\u672c\u8a9e\u306e\u6587\u7ae0" * 20 + "\n") * 4000   # 日本語の文章, no match
with open(sys.argv[1], "wb") as f:
    f.write((body + "abc" + "\u76ee\u5370" + "\n").encode("cp932"))   # abc目印
P
want=$(python3 -c "import sys; t=open(sys.argv[1],'rb').read(); i=t.find('目印'.encode('cp932')); print(i, i+4)" "$work/big/big.txt")
out=$(app - <<S
menu 1210
folder 3204 $work/big
field 3205 目印
click 3201
choose 3212 1
click 3202
print selection
S
)
[ "$(tail -1 <<<"$out")" = "$want" ] || fail "open deep match: $out (want $want)"
# An RTF file opens as an untitled copy: opening its row selects the match
# there, and opening it again selects in that copy rather than making one
# more.
mkdir -p "$work/rtf"
for i in 1 2; do printf '{\\rtf1\\ansi Some text %s here.\\par Then the end.\\par}' $i > "$work/rtf/f$i.rtf"; done
out=$(app - <<S
menu 1210
folder 3204 $work/rtf
field 3205 the
click 3201
choose 3212 2
click 3202
print selection
menu 1210
choose 3212 2
click 3202
print windows
print selection
S
)
[ "$(grep -c . <<<"$out")" = 4 ] && [ "$(sed -n 1p <<<"$out")" = "23 26" ] && [ "$(tail -1 <<<"$out")" = "23 26" ] \
  || fail "RTF open: $out"
# A regular expression that can find nothing beeps, as an empty pattern does.
out=$(app - <<S
menu 1210
folder 3204 $work/t
choose 3214 1
field 3205 (
click 3201
print beeps
field 3205 (o
click 3201
print beeps
print cells 3212
S
)
[ "$out" = "$(printf 'beeps 1\nbeeps 1\n1 * 5 a.txt  \tone abc')" ] || fail "empty expression: $out"
echo ok
