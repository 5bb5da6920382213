#!/usr/bin/env bash
# kxapp's printing steps on the real program: a queued page setup relays the
# document on its new paper, and the print dialog's answer prints the
# document into that PDF on the document's own paper; a cancelled page
# setup changes nothing.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
printf 'hello world\n' > a.txt
out=$("$bin/kxapp" --prefs "$work/prefs" - <<S
open a.txt
print page
menu 8
print page
pagesetup 500 700 20
menu 8
print page
pagesetup 500 700 20 landscape
menu 8
print page
answer $work/out.pdf
menu 9
S
)
mapfile -t lines <<<"$out"
[ "${#lines[@]}" = 4 ] || fail "four page lines expected: $out"
[ "${lines[0]}" = "${lines[1]}" ] || fail "a cancelled page setup changed the page: $out"
case "${lines[2]}" in "paper 500 700 hard 20 20 20 20 "*) ;; *) fail "new paper: ${lines[2]}" ;; esac
case "${lines[3]}" in "paper 700 500 hard 20 20 20 20 "*) ;; *) fail "landscape: ${lines[3]}" ;; esac
[ -s out.pdf ] || fail "no PDF written"
pdfinfo out.pdf | grep -q "Page size: *700 x 500 pts" || fail "the PDF is not on the document's paper: $(pdfinfo out.pdf)"
# A new document is on A4 with the preferences' margins (30 mm top and
# bottom, 20 mm left and right), not on the engine's fallback paper.
out=$("$bin/kxapp" --prefs "$work/prefs2" - <<S
menu 2
menu 1108
field 2014 300
field 2015 200
click 2001
menu 2
print page
S
)
case "$out" in "paper 595 842 hard "*" margins 85 57 85 57 pages 1") ;; *) fail "new document's page: $out" ;; esac
echo "kxapp printing steps: ok"
