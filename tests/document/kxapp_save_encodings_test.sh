#!/usr/bin/env bash
# Saving in the Japanese encodings keeps what they can hold: an EUC-JP
# file's JIS X 0212 characters and the Mac set's copyright, trade mark,
# backslash and ellipsis go back as EUC-JP codes (as iconv reads them), with
# no note of lost characters; an auto-save that cannot write a character
# leaves the document changed, so that closing it still asks. A UTF-8
# file's characters that have a canonical equivalent of their own
# (compatibility ideographs, the Angstrom sign) go back as they came, and
# a UTF-16 file's odd last byte is not dropped without a word.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

# 丂 ¦ ˘ are JIS X 0212 (8F row cell); the rest JIS X 0208.
text='日本語のテキストです。補助漢字の丂と記号¦˘を含むEUC-JPのファイルです。'
printf '%s\n%s\n' "$text" "$text" | iconv -f UTF-8 -t EUC-JP-MS > e.txt
cp e.txt e0.txt
out=$(app - <<S
open $work/e.txt
type x
key backspace
menu 5
print alerts
S
)
cmp -s e.txt e0.txt || fail "an EUC-JP file saved unchanged differs: $(xxd e.txt | head -n 3)"
[ -z "$out" ] || fail "a note of lost characters for characters EUC-JP holds: $out"

cp e0.txt m.txt
app - <<S
open $work/m.txt
select 0 0
type ©™…\\
menu 5
S
[[ $(iconv -f EUC-JP-MS -t UTF-8 m.txt) == '©™…\日本'* ]] || fail "Mac-only characters in EUC-JP: $(xxd m.txt | head -n 2)"
back=$(app - <<S
open $work/m.txt
print text
S
)
[[ $back == '©™…\日本'* ]] || fail "Mac-only characters do not come back: $back"

# Auto-save every minute; a Shift_JIS file cannot hold the emoji.
printf 'abc\r\n' > s.txt
out=$(app - <<S
open $work/s.txt
menu 1108
click 2093
click 2064
field 2069 1
click 2001
key end cmd
type X😀Y
wait 70
status 5
print alerts
S
)
grep -q 'X' s.txt || fail "the auto-save did not run: $(xxd s.txt)"
[ "$(sed -n 1p <<<"$out")" = "1 0 " ] || fail "an auto-save that lost a character left the document unchanged: $out"

# 欄 as a compatibility ideograph and as itself, the Angstrom sign, the
# Greek question mark, a Devanagari nukta letter, an ideograph beyond the BMP.
printf '\xef\xa4\x9d\xe6\xac\x84 \xe2\x84\xab \xcd\xbe \xe0\xa5\x98 \xf0\xaf\xa0\x80\n' > u.txt
cp u.txt u0.txt
app - <<S
open $work/u.txt
type x
key backspace
menu 5
S
cmp -s u.txt u0.txt || fail "a UTF-8 file saved unchanged differs: $(xxd u.txt)"

# A UTF-16 file of an odd length: its last byte is left out, and the user
# hears so on opening.
printf '\xff\xfea\x00b\x00\x0a' > odd.txt
out=$(app - <<S
open $work/odd.txt
print alerts
S
)
grep -q '最後の 1 バイト' <<<"$out" || fail "an odd UTF-16 byte left out without a word: $out"
