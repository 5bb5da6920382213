#!/usr/bin/env bash
# Documents through the file tube against tools nobody here wrote: a font
# in a sidecar we rewrote still loads in FreeType (fc-query) and extracts
# whole with fondu; a stored JPEG comes back byte for byte through both
# layouts; an RTF save leaves no sidecar.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$font" ] || fail "missing $font (scripts/setup installs fonts-dejavu-core)"

# The resource fork entry (ID 2) of an AppleDouble file, as a bare fork.
fork_of() {
  local file=$1 count i at id offset length
  count=$(od -An -tu1 -j24 -N2 "$file" | awk '{ print $1 * 256 + $2 }')
  for ((i = 0; i < count; i++)); do
    at=$((26 + 12 * i))
    read -r id offset length <<< "$(od -An -tu1 -j"$at" -N12 "$file" |
      awk '{ printf "%d %d %d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $9*16777216+$10*65536+$11*256+$12 }')"
    if [ "$id" = 2 ]; then
      tail -c +$((offset + 1)) "$file" | head -c "$length"
      return 0
    fi
  done
  return 1
}

# 1. A document whose sidecar holds a font, saved in place by us: the font
#    still loads from "._x", and fondu extracts the same font bytes.
: > x
"$bin/kxres" put x sfnt 128 "$font"
"$bin/kxdoc" copy x x
grep -q '^flavor "MPSR" stored "MPSR" 1005 72$' <<<"$("$bin/kxdoc" dump x)" || fail "no window record after the save"
[ "$(fc-query -f '%{family}\n' x)" = "DejaVu Sans" ] || fail "FreeType did not load the font from our rewritten ._x"
fork_of ._x > fork.rsrc || fail "no resource fork entry in ._x"
mkdir out && (cd out && fondu -force ../fork.rsrc >/dev/null)
cmp out/DejaVuSans.ttf "$font" || fail "fondu got other bytes from our rewritten sidecar"

# 2. A picture stored as JPEG: one picture byte, a decoration naming
#    picture 1, the JPEG as resource 1000. Copied into a container and back,
#    the JPEG is stored byte for byte as it was.
jpeg=$src/tests/data/formats/jpeg-17x9.jpg
printf '\312' > pic.txt
printf '\000\001\000\000\000\000\000\000\000\000\000\001' > deco
"$bin/kxres" put pic.txt styw 128 deco
"$bin/kxres" put pic.txt JPEG 1000 "$jpeg"
grep -q '^picture 1 JPEG size [0-9]* frame 9 17$' <<<"$("$bin/kxdoc" dump pic.txt)" || fail "the JPEG is no picture: $("$bin/kxdoc" dump pic.txt)"
"$bin/kxdoc" copy pic.txt pic.kxt --layout container
"$bin/kxres" get pic.kxt JPEG 1 > one.jpg
cmp one.jpg "$jpeg" || fail "the container holds other JPEG bytes"
"$bin/kxdoc" copy pic.kxt back.txt --layout classic
"$bin/kxres" get back.txt JPEG 1000 > two.jpg
cmp two.jpg "$jpeg" || fail "the classic layout holds other JPEG bytes"

# 3. A JPEG the decoder cannot read is kept as it is.
head -c 300 "$jpeg" > broken.jpg
printf '\312' > bad.txt
"$bin/kxres" put bad.txt styw 128 deco
"$bin/kxres" put bad.txt JPEG 1000 broken.jpg
"$bin/kxdoc" copy bad.txt bad.kxt --layout container
"$bin/kxres" get bad.kxt JPEG 1 > kept.jpg
cmp kept.jpg broken.jpg || fail "an undecodable JPEG was not written back unchanged"

# 4. Saved as RTF, a styled document keeps no records and no sidecar, and
#    the file holds RTF (never the bare text).
printf 'styled' > letter.txt
"$bin/kxdoc" copy letter.txt styled.txt
"$bin/kxres" put letter.txt styw 128 deco
"$bin/kxdoc" copy letter.txt letter.rtf
"$bin/kxres" put letter.rtf styw 128 deco
"$bin/kxdoc" copy letter.rtf letter.rtf
[ ! -e ._letter.rtf ] || fail "an RTF save left a sidecar: $("$bin/kxres" list letter.rtf)"
head -c 6 letter.rtf | grep -q '^{.rtf1' || fail "the RTF save wrote no RTF: $(head -c 40 letter.rtf)"
grep -q styled letter.rtf || fail "the RTF save lost the text"

# 5. Plain text copies as plain text: no sidecar.
printf 'plain\n' > plain.txt
"$bin/kxdoc" copy plain.txt plain2.txt
[ ! -e ._plain2.txt ] || fail "plain text wrote a sidecar"
cmp plain.txt plain2.txt || fail "plain text changed"
echo "all checks passed"
