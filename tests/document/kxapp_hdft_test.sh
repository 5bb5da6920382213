#!/usr/bin/env bash
# The header and footer dialogs of the real program through kxapp: the
# distance held in the preferences' measuring unit, the text, alignment and
# faces read back from a reopened dialog, each band set apart, and the
# header drawn over the text in paper view.
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

# Points. The header: a negative distance becomes 6 mm (17 points), centred
# bold text with a page number. The footer: a distance past the room becomes
# the room (the page margin less the printer's, 34 - 6 here).
prefs 2
out=$("$bin/kxapp" --prefs "$work/prefs2" - <<'S'
open p.txt
menu 1407
shot 1001 plain.png
menu 1412
field 2803 -5
field 2804 Head <PAGE>
choose 2812 2
click 2814
click 2801
shot 1001 header.png
menu 1413
field 2803 400
field 2804 Foot
click 2801
menu 1412
print window 2803
click 2802
menu 1413
print window 2803
click 2802
print page
S
)
head=$(printf '%s\n' "$out" | sed -n '/^window ヘッダ/,/^window /p')
foot=$(printf '%s\n' "$out" | sed -n '/^window フッタ/,$p')
grep -qx '2803 field 1 1 1700 17' <<<"$head" || fail "header distance: $head"
grep -qx '2804 field 1 1 0 Head <PAGE>' <<<"$head" || fail "header text: $head"
grep -qx '2812 popup 1 1 2 中央揃え' <<<"$head" || fail "header alignment: $head"
grep -qx '2814 check 1 1 1 太字' <<<"$head" || fail "header bold: $head"
grep -qx '2813 check 1 1 0 標準' <<<"$head" || fail "header plain: $head"
grep -qx '2821 caption 1 1 0 pt' <<<"$head" || fail "unit label: $head"
grep -qx '2803 field 1 1 2800 28' <<<"$foot" || fail "footer distance held at the room: $foot"
grep -qx '2804 field 1 1 0 Foot' <<<"$foot" || fail "footer text: $foot"
grep -qx '2814 check 1 1 0 太字' <<<"$foot" || fail "the footer took the header's face: $foot"
grep -q '^paper .* hard 6 6 6 6 margins 34 34 34 34 ' <<<"$out" || fail "the page changed: $out"
# The band is drawn in paper view.
if cmp -s plain.png header.png; then fail "no header drawn in paper view"; fi

# Millimetres: 10 mm is 28 points and shows again as 10; the history offers
# the text and brings it back.
prefs 0
out=$("$bin/kxapp" --prefs "$work/prefs0" - <<'S'
open p.txt
menu 1412
field 2803 10
field 2804 title
click 2801
menu 1412
field 2804 other
choose 2822 1
print window 2803
click 2802
S
)
grep -qx '2803 field 1 1 1000 10' <<<"$out" || fail "10 mm shown again: $out"
grep -qx '2804 field 1 1 0 title' <<<"$out" || fail "the history entry: $out"
echo PASS
