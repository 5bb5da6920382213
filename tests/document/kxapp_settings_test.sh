#!/usr/bin/env bash
# A document's own settings through the real program: the selection, the
# vertical writing, the page set-up and layout, the header and footer set
# in their dialogs and the line-number restarts of a container and of a
# classic styled document come back after a save and a reopen, and the
# file says so; a plain text stays plain; the stream editor's new window
# is laid out as the text it was made from.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
kxapp() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }

printf 'hello world\nsecond line\nthird line\n' > plain.txt
"$bin/kxdoc" copy plain.txt doc.kxt --layout container
"$bin/kxdoc" copy doc.kxt doc.txt --layout classic
[ -f ._doc.txt ] || fail "no classic styled document to start from"
# Restarts at lines 3 and 7, in each layout's byte order.
python3 -c "
import struct
open('le.bin', 'wb').write(struct.pack('<ii', 3, 7))
open('be.bin', 'wb').write(struct.pack('>ii', 3, 7))"
"$bin/kxres" put --container doc.kxt KXSR 1002 le.bin
"$bin/kxres" put --sidecar doc.txt KXSR 1002 be.bin

for f in doc.kxt doc.txt; do
  # An untitled window keeps the program running while the document is
  # closed and opened again.
  out=$(kxapp <<S
menu 2
open $work/$f
menu 1408
menu 1412
field 2804 Head <PAGE>
choose 2812 2
click 2814
click 2801
menu 1413
field 2804 Foot
click 2801
menu 1411
field 2704 50
field 2708 2
field 2709 20
click 2701
pagesetup 500 700 10
menu 8
type x
select 3 6
print page
menu 5
menu 4
open $work/$f
print selection
status 1408
print page
menu 1412
print window 2804
click 2802
menu 1413
print window 2804
click 2802
S
)
  pages=$(grep '^paper ' <<<"$out")
  [ "$(wc -l <<<"$pages")" = 2 ] || fail "$f: page lines: $out"
  [ "$(sed -n 1p <<<"$pages")" = "$(sed -n 2p <<<"$pages")" ] || fail "$f: the page set-up changed: $pages"
  grep -q '^paper 500 700 hard 10 10 10 10 margins 142 ' <<<"$pages" || fail "$f: page set-up or margins lost: $pages"
  grep -qx '3 6' <<<"$out" || fail "$f: selection lost: $out"
  grep -qx '1 18 .*' <<<"$out" || fail "$f: vertical writing lost: $out"
  grep -qx '2804 field 1 1 0 Head <PAGE>' <<<"$out" || fail "$f: header text lost: $out"
  grep -qx '2812 popup 1 1 2 中央揃え' <<<"$out" || fail "$f: header alignment lost: $out"
  grep -qx '2814 check 1 1 1 太字' <<<"$out" || fail "$f: header face lost: $out"
  grep -qx '2804 field 1 1 0 Foot' <<<"$out" || fail "$f: footer text lost: $out"

  dump=$("$bin/kxdoc" dump "$f")
  grep -q '^MPSR .* selection 3 6 ' <<<"$dump" || fail "$f: stored selection: $dump"
  grep -q '^KXSR size .* columns 2 gap 57 .* vertical 1 ' <<<"$dump" || fail "$f: stored page or writing: $dump"
  grep -q '^KXSR header .* "Head <PAGE>"$' <<<"$dump" || fail "$f: stored header: $dump"
  grep -q '^KXSR footer .* "Foot"$' <<<"$dump" || fail "$f: stored footer: $dump"
  grep -qx 'LINE 3 7' <<<"$dump" || fail "$f: stored restarts: $dump"
done
# Only the classic layout keeps the window's place.
grep -q '^MPSR .* bounds 0 0 0 0 ' <<<"$("$bin/kxdoc" dump doc.kxt)" || fail "a container kept window bounds"
if grep -q '^MPSR .* bounds 0 0 0 0 ' <<<"$("$bin/kxdoc" dump doc.txt)"; then fail "the classic layout lost the window's place"; fi

# A plain text is saved as plain text: no sidecar, no records.
kxapp >/dev/null <<S
open $work/plain.txt
menu 1408
type y
menu 5
S
[ ! -e ._plain.txt ] || fail "a plain text got a sidecar"
if grep -q '^MPSR\|^KXSR' <<<"$("$bin/kxdoc" dump plain.txt)"; then fail "a plain text got settings"; fi

# Unless the user laid out its page: the columns come back, in either
# writing.
for vertical in "" "menu 1408"; do
  printf 'hello world\n' > paged.txt
  rm -f ._paged.txt
  out=$(kxapp <<S
menu 2
open $work/paged.txt
$vertical
menu 1411
field 2708 2
click 2701
menu 5
menu 4
open $work/paged.txt
menu 1411
print window 2708
S
)
  [ -e ._paged.txt ] || fail "a laid-out page was dropped ($vertical)"
  grep -qx '2708 field 1 1 [0-9]* 2' <<<"$out" || fail "the columns were lost ($vertical): $out"
done

# The stream editor's output window takes its target's vertical writing.
printf 'alpha\nbeta\n' > v.txt
out=$(kxapp <<S
open $work/v.txt
menu 1408
menu 1228
choose 3911 2
field 3924 s/a/A/
choose 3931 2
choose 3932 1
choose 3941 1
field 3942 result
click 3901
print windows
status 1408
print text
S
)
grep -qx 'result (modified)' <<<"$out" || fail "no output window: $out"
[ "$(grep -c '^1 18 ' <<<"$out")" = 1 ] || fail "the output window is not in vertical writing: $out"
grep -qx 'Alpha' <<<"$out" || fail "the output text: $out"
echo ok
