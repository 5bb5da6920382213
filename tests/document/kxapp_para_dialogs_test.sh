#!/usr/bin/env bash
# The paragraph, tabs and go-to-page dialogs of the real program through
# kxapp: fields in the preferences' measuring unit, the paragraph runs they
# leave, and a reopened dialog showing what was applied.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# A preference folder whose measuring unit (16 bits at offset 2 of the
# main record) is $1.
prefs() {
  mkdir -p "$work/prefs$1"
  "$bin/kxprefs" --write "$work/default" >/dev/null
  python3 - "$work/default" "$work/prefs$1/preferences" "$1" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = 0
while at + 8 <= len(data):
    tag, n = data[at:at + 4], struct.unpack('>I', data[at + 4:at + 8])[0]
    if tag == b'KXTP':
        data[at + 8 + 2:at + 8 + 4] = struct.pack('>h', int(sys.argv[3]))
        break
    at += 8 + n
else:
    sys.exit('no KXTP chunk')
open(sys.argv[2], 'wb').write(data)
PY
}
printf 'one\ntwo\n' > p.txt

# Points: left 40, right 600 (beyond the line: 0), centred, line spacing 5;
# then a tab at 36 points, right-aligned, and one at 18: sorted.
prefs 2
out=$("$bin/kxapp" --prefs "$work/prefs2" - <<'S'
open p.txt
menu 1416
field 2653 40
field 2655 600
choose 2659 2
field 2660 5
click 2651
menu 1417
field 2675 36
choose 2687 3
click 2671
menu 1417
field 2675 18
click 2671
print paras
menu 1416
print window 2653
click 2652
S
)
first=$(head -1 <<<"$out")
# OFFSET FIRST LEFT RIGHT LINE CHAR JUSTIFY TABCOUNT KINDS POS1 POS2 ...
set -- $first
[ "$1 $2 $3 $4 $5 $6 $7 $8" = "0 0 40 0 5 0 1 2" ] || fail "paragraph: $first"
[ "${10} ${11}" = "18 36" ] || fail "tabs not sorted: $first"
[ "$9" = "8" ] || fail "the right-aligned tab lost its kind when sorted: $first"
grep -qx '2653 field 1 1 4000 40' <<<"$out" || fail "reopened left indent: $out"
grep -qx '2656 caption 1 1 0 pt' <<<"$out" || fail "unit label: $out"

# Millimetres: 20 mm is 57 points and shows again as 20.
prefs 0
out=$("$bin/kxapp" --prefs "$work/prefs0" - <<'S'
open p.txt
menu 1416
field 2653 20
click 2651
print paras
menu 1416
print window 2653
click 2652
S
)
set -- $(printf '%s\n' "$out" | head -1)
[ "$3" = "57" ] || fail "20 mm: $out"
grep -qx '2653 field 1 1 2000 20' <<<"$out" || fail "20 mm shown again: $out"
echo PASS
