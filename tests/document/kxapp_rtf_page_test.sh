#!/usr/bin/env bash
# An RTF file's page through the real program: the paper, margins, header
# and footer it sets are the document's when it opens; a page set in the
# program (in vertical writing too) is written into the RTF it saves and
# comes back when that is opened. A save as RTF that cannot write all of
# the document says so.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
kxapp() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
# The page line and the header and footer texts and alignments of the
# front document, printed after the steps.
bands='menu 1412
print window 2804
click 2802
menu 1413
print window 2804
click 2802'
summary() { grep -E '^paper |^2804 |^2812 ' <<<"$1" || true; }

# Landscape A4 with its margins, a centred header with the page number.
printf '{\\rtf1\\ansi\\paperw16838\\paperh11906\\margl2000\\margr1000\\margt1500\\margb1500 {\\header \\qc Head \\chpgn \\par}{\\footer Foot}\\pard Body text\\par}' > hf.rtf
out=$(kxapp <<S
open $work/hf.rtf
print page
$bands
answer $work/again.rtf
menu 6
print alerts
S
)
grep -q '^paper 842 595 hard .* margins 75 100 75 50 ' <<<"$out" || fail "the file's page: $out"
grep -qx '2804 field 1 1 0 Head <PAGE>' <<<"$out" || fail "the file's header: $out"
grep -qx '2812 popup 1 1 2 中央揃え' <<<"$out" || fail "the header's alignment: $out"
grep -qx '2804 field 1 1 0 Foot' <<<"$out" || fail "the file's footer: $out"
if grep -q '^note' <<<"$out"; then fail "a text RTF holds whole was said to lose something: $out"; fi
first=$(summary "$out")
out=$(kxapp <<S
open $work/again.rtf
print page
$bands
S
)
[ "$(summary "$out")" = "$first" ] || fail "saved and read again: $(summary "$out") / $first"

# Set in the program, in vertical writing: 50 mm at the top, 20 mm at the
# left, two columns, a header at the right and a footer; saved as RTF.
out=$(kxapp <<S
menu 2
menu 2
type Hello
menu 1408
menu 1412
field 2804 Top <PAGE>
choose 2812 3
click 2801
menu 1413
field 2804 Bottom
click 2801
menu 1411
field 2704 50
field 2706 20
field 2708 2
field 2709 10
click 2701
print page
$bands
answer $work/set.rtf
answer ok
menu 6
print alerts
answer dont-save
menu 4
open $work/set.rtf
print page
$bands
S
)
pages=$(grep '^paper ' <<<"$out")
[ "$(wc -l <<<"$pages")" = 2 ] || fail "page lines: $out"
grep -q '^paper 595 842 hard .* margins 142 57 34 34 ' <<<"$pages" || fail "the page set: $pages"
[ "$(sed -n 1p <<<"$pages")" = "$(sed -n 2p <<<"$pages")" ] || fail "the page came back changed: $pages"
[ "$(grep -c '^2804 field 1 1 0 Top <PAGE>$' <<<"$out")" = 2 ] || fail "the header came back changed: $out"
[ "$(grep -c '^2812 popup 1 1 3 右揃え$' <<<"$out")" = 2 ] || fail "the header's alignment came back changed: $out"
[ "$(grep -c '^2804 field 1 1 0 Bottom$' <<<"$out")" = 2 ] || fail "the footer came back changed: $out"
grep -q '\\cols2\\colsx560 ' set.rtf || fail "columns not written: $(cat set.rtf)"
# Vertical writing is beyond RTF: the user hears so.
[ "$(grep -c '^note: .*RTF では書けない' <<<"$out")" = 1 ] || fail "no word of what RTF lost: $out"

# RTF holds 1638 pt at most: a larger paper is clamped in the file, and the
# save says so; a paper of just 1638 pt is kept without a word.
for size in 1638 2000; do
  [ "$size" = 2000 ] && high=3000 || high=$size
  out=$(kxapp <<S
menu 2
type Body
pagesetup $size $high 18
menu 8
menu 6
answer $work/big$size.rtf
print alerts
S
)
  notes=$(grep -c '^note: .*RTF では書けない' <<<"$out" || true)
  [ -s "$work/big$size.rtf" ] || fail "no file for a $size pt paper: $out"
  [ "$size" = 2000 ] && want=1 || want=0
  [ "$notes" = "$want" ] || fail "$size pt paper: $notes notes of what RTF lost: $out"
done

echo ok
