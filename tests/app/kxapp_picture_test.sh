#!/usr/bin/env bash
# Inserting a JPEG picture (command 1141) in the program: the chosen file
# goes in as one picture byte and is written with a native save as the JPEG
# itself, byte for byte (not its decoded pixels), and stays so when the
# document is reopened and saved again; it draws the same before and after;
# a file that is no JPEG (nor one that only holds one) is refused with the
# stop alert; a cancelled choice inserts nothing. A printout carries the
# picture itself, not its box.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

jpeg=$src/tests/data/formats/jpeg-422.jpg
printf 'hello\n' > a.txt
printf 'no picture\n' > b.txt
# A JPEG behind other bytes is no JPEG file (the bytes would be stored too).
{ printf 'not a picture\n'; cat "$jpeg"; } > junk.jpg
out=$(app - <<S
open a.txt
answer $jpeg
menu 1141
shot 1001 $work/inserted.png
print selection
print alerts
menu 1447
menu 5
answer $work/b.txt
menu 1141
print alerts
print selection
answer cancel
menu 1141
print selection
S
)
[ "$(head -1 <<<"$out")" = "1 1" ] || fail "the picture was not inserted: $out"
grep -q '^stop: ' <<<"$out" || fail "a text file was not refused: $out"
junk=$(app - <<S
open b.txt
answer $work/junk.jpg
menu 1141
print alerts
print selection
S
)
[ "$junk" = "$(printf 'stop: %s\n0 0' "$(grep -m1 '^stop: ' <<<"$out" | cut -d' ' -f2-)")" ] ||
  fail "a JPEG behind other bytes was not refused: $junk"
[ "$(tail -1 <<<"$out")" = "1 1" ] || fail "a cancelled choice changed the text: $out"
dump=$("$bin/kxdoc" dump a.txt)
grep -q '^picture 1 JPEG size [1-9]' <<<"$dump" || fail "no JPEG picture in the saved document: $dump"
"$bin/kxres" get a.txt JPEG 1 > stored.jpg
cmp -s stored.jpg "$jpeg" || fail "the saved document does not hold the JPEG's bytes: $dump"
app - <<S >/dev/null
open a.txt
shot 1001 $work/reopened.png
key end cmd
type !
menu 5
S
cmp -s inserted.png reopened.png || fail "the reopened picture draws otherwise than the inserted one"
"$bin/kxres" get a.txt JPEG 1 > stored.jpg
cmp -s stored.jpg "$jpeg" || fail "a reopened document saved again lost the JPEG's bytes: $("$bin/kxdoc" dump a.txt)"
app - <<S >/dev/null
open a.txt
answer $work/a.pdf
menu 9
S
grep -q '^ *1 *0 image *[1-9]' <<<"$(pdfimages -list a.pdf)" || fail "the printout has no picture: $(pdfimages -list a.pdf)"
