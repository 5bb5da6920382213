#!/usr/bin/env bash
# kxrtf --import on word processors' RTF files and kxrtf --export read back
# by other programs.
set -euo pipefail
kxrtf="$KX_BIN_DIR/kxrtf"
data="$KX_SOURCE_DIR/tests/data/formats"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $1"; exit 1; }

# The committed LibreOffice files: their text and attributes.
out=$("$kxrtf" --import "$data/rtf-styled.rtf")
grep -q '^Plain text in Times, an emphasised phrase, strong words and green text.$' <<<"$out" || fail "styled text"
grep -q '吾輩は猫である。' <<<"$out" || fail "Japanese paragraph"
grep -q 'braces { } and a backslash \\ must survive' <<<"$out" || fail "escaped bytes"
grep -q '“quotes” — dash' <<<"$out" || fail "special characters"
awk '/^styles/{s=1;next} /^decos/{s=0} s && $5 % 2 == 1 {b=1} END{exit !b}' <<<"$out" || fail "no bold run"
awk '/^styles/{s=1;next} /^decos/{s=0} s && ($8 != 0 || $9 != 0 || $10 != 0) {c=1} END{exit !c}' <<<"$out" || fail "no coloured run"
out=$("$kxrtf" --import "$data/rtf-japanese.rtf")
grep -q '^春はあけぼの。' <<<"$out" || fail "Japanese text"
grep -q '^page 595 842 text 57 57 538 785' <<<"$out" || fail "page record"
out=$("$kxrtf" --import "$data/rtf-table-picture.rtf")
grep -q '表と絵と脚注のある文書。' <<<"$out" || fail "table file text"

# Every shared real-world file imports without a crash; a cut file says so.
if [ -d "$KX_SHARED_DIR/realdata/rtf" ]; then
  count=0
  while IFS= read -r -d '' f; do
    set +e
    "$kxrtf" --import "$f" >"$tmp/out" 2>"$tmp/err"
    status=$?
    set -e
    [ "$status" -le 1 ] || fail "$f: exit $status"
    if [ "$status" = 1 ]; then grep -q 'ends inside a group' "$tmp/err" || fail "$f: $(cat "$tmp/err")"; fi
    count=$((count + 1))
  done < <(find "$KX_SHARED_DIR/realdata/rtf" -name '*.rtf' -print0)
  [ "$count" -gt 100 ] || fail "only $count shared files"
  jis="$KX_SHARED_DIR/realdata/rtf/rtfparserkit/src/test/resources/com/rtfparserkit/parser/standard/data/testJapaneseJisEncoding.rtf"
  grep -qx '中國' <<<"$("$kxrtf" --import "$jis")" || fail "Japanese shared file"
  # Windows-set files without a font: Western bytes; with code page 932: Japanese.
  pandoc="$KX_SHARED_DIR/realdata/rtf/pandoc/test/rtf"
  grep -qx ' le café où on ne fume pas ' <<<"$("$kxrtf" --import "$pandoc/accent.rtf")" || fail "accented letters"
  grep -q '^“hi”‘hi’' <<<"$("$kxrtf" --import "$pandoc/unicode.rtf")" || fail "Windows quotes"
  hex="$KX_SHARED_DIR/realdata/rtf/rtfparserkit/src/test/resources/com/rtfparserkit/parser/standard/data/testMultiByteHex.rtf"
  grep -qx 'お元気ですか？' <<<"$("$kxrtf" --import "$hex")" || fail "code page 932 file"
fi

# The same through the program: the upper-half byte swallows no letter.
printf '{\\rtf1\\ansi caf\\'"'"'e9 \\'"'"'93hi\\'"'"'94 end}' >"$tmp/w.rtf"
got=$(printf 'open %s\nprint text\n' "$tmp/w.rtf" | "$KX_BIN_DIR/kxapp" --prefs "$(mktemp -d -p "$tmp")" -)
[ "$got" = 'café “hi” end' ] || fail "Western file in the program: $got"

# Our exports read by unrtf and pandoc. Only text in ASCII is compared:
# unrtf writes the fallback of "\u" characters, and neither reads the
# Mac Japanese font character set.
printf 'Braces {like these} and \\ backslash\r\nA second paragraph\r\n\r\nand a last one; with punctuation!\r\n' >"$tmp/in.txt"
"$kxrtf" --export "$tmp/in.txt" --font Times -o "$tmp/out.rtf"
norm() { tr -s ' \n\t' '   ' | sed 's/^ *//; s/ *$//'; }
want=$(tr -d '\r' <"$tmp/in.txt" | norm)
if command -v pandoc >/dev/null; then
  got=$(pandoc -f rtf -t plain --wrap=none "$tmp/out.rtf" | norm)
  [ "$got" = "$want" ] || fail "pandoc read: $got"
fi
if command -v unrtf >/dev/null; then
  got=$(unrtf --text "$tmp/out.rtf" 2>/dev/null | grep -v '^###' | grep -v '^-----------------$' | norm)
  [ "$got" = "$want" ] || fail "unrtf read: $got"
fi

# --demo writes every attribute; reading it back gives its text.
"$kxrtf" --demo -o "$tmp/demo.rtf"
out=$("$kxrtf" --import "$tmp/demo.rtf")
grep -q '^word underline double underline' <<<"$out" || fail "demo text"
grep -q '^header 1 Page <PAGE>$' <<<"$out" || fail "demo header"
"$kxrtf" --export "$tmp/missing.txt" -o "$tmp/x.rtf" 2>/dev/null && fail "missing file accepted"
"$kxrtf" --bogus 2>/dev/null && fail "bad usage accepted"
echo ok
