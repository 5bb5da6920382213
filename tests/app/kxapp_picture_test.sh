#!/usr/bin/env bash
# Inserting a JPEG picture (command 1141) in the program: the chosen file
# goes in as one picture byte and is written with a native save; a file
# that is no JPEG is refused with the stop alert; a cancelled choice
# inserts nothing. A printout carries the picture itself, not its box.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

printf 'hello\n' > a.txt
out=$(app - <<S
open a.txt
answer $src/tests/data/formats/jpeg-422.jpg
menu 1141
print selection
print alerts
menu 1447
menu 5
answer $work/a.txt
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
[ "$(tail -1 <<<"$out")" = "1 1" ] || fail "a cancelled choice changed the text: $out"
dump=$("$bin/kxdoc" dump a.txt)
grep -q '^picture 1 PICT size [1-9]' <<<"$dump" || fail "no picture in the saved document: $dump"
app - <<S >/dev/null
open a.txt
answer $work/a.pdf
menu 9
S
grep -q '^ *1 *0 image *[1-9]' <<<"$(pdfimages -list a.pdf)" || fail "the printout has no picture: $(pdfimages -list a.pdf)"
