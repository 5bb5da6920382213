#!/usr/bin/env bash
# Numbers typed into the format and layout dialogs of the real program:
# letters are refused with a beep instead of ending the number unseen, and
# line spacing from the text-format dialog stays within what paragraphs
# keep (0-100), so the text does not vanish between huge line gaps.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
printf 'one\ntwo\n' > p.txt

out=$("$bin/kxapp" --prefs "$work/prefs" - <<'S'
open p.txt
menu 1411
print window 2706
field 2706 abc
print beeps
print window 2706
field 2706 1x2.5
print beeps
print window 2706
click 2702
menu 1410
field 2609 9999
click 2601
menu 1410
print window 2609
click 2602
S
)
before=$(grep -m1 '^2706 field' <<<"$out")
[ "$(grep '^2706 field' <<<"$out" | sed -n 2p)" = "$before" ] || fail "letters changed the margin: $out"
grep -qx 'beeps 3' <<<"$out" || fail "three letters, three beeps: $out"
grep -qx 'beeps 4' <<<"$out" || fail "the letter among digits beeps: $out"
grep -qx '2706 field 1 1 1250 12.5' <<<"$out" || fail "digits and the point go in: $out"
grep -qx '2609 field 1 1 10000 100' <<<"$out" || fail "line spacing above 100: $out"
echo PASS
