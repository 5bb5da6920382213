#!/usr/bin/env bash
# Resource forks and sidecars against tools nobody here wrote (the fondu
# tools and FreeType through fontconfig), and crash safety of saving: a
# writer killed at random moments, a write past the file-size limit and a
# full disk all leave the old file whole.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
mnt=""
cleanup() {
  [ -n "$mnt" ] && umount "$mnt" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$font" ] || fail "missing $font (scripts/setup installs fonts-dejavu-core)"

# 1. fondu extracts exactly the 'sfnt' bytes from a bare fork we wrote.
"$bin/kxres" put --fork fork.rsrc sfnt 128 "$font"
[ "$("$bin/kxres" list fork.rsrc)" = "sfnt 128 $(stat -c %s "$font")" ] || fail "list of our fork"
mkdir out && (cd out && fondu -force ../fork.rsrc >/dev/null)
cmp out/DejaVuSans.ttf "$font" || fail "fondu got other bytes from our fork"

# 2. A fork made by ufond (from a tiny bitmap font) is listed right: a
#    family record named "Tiny" and its bitmap font under the same ID, and
#    the bytes we read out, put into a fork of our own, give fondu exactly
#    the same font back.
cat > Tiny-Regular.bdf <<'BDF'
STARTFONT 2.1
FONT -kx-Tiny-Medium-R-Normal--8-80-75-75-C-80-ISO8859-1
SIZE 8 75 75
FONTBOUNDINGBOX 8 8 0 -1
STARTPROPERTIES 4
FAMILY_NAME "Tiny"
WEIGHT_NAME "Medium"
FONT_ASCENT 7
FONT_DESCENT 1
ENDPROPERTIES
CHARS 1
STARTCHAR A
ENCODING 65
SWIDTH 1000 0
DWIDTH 8 0
BBX 8 8 0 -1
BITMAP
18
24
42
7E
42
42
42
00
ENDCHAR
ENDFONT
BDF
ufond -res Tiny-Regular.bdf >/dev/null
listing=$("$bin/kxres" list Tiny.fam.rsrc)
echo "$listing" | grep -Eq '^FOND -?[0-9]+ [0-9]+ "Tiny"$' || fail "no FOND in: $listing"
fond_id=$(echo "$listing" | awk '$1 == "FOND" { print $2 }')
echo "$listing" | grep -Eq "^NFNT $fond_id [0-9]+$" || fail "no NFNT $fond_id in: $listing"
[ "$(echo "$listing" | wc -l)" = 2 ] || fail "extra resources in: $listing"
while read -r type id size name; do
  "$bin/kxres" get Tiny.fam.rsrc "$type" "$id" > part
  [ "$(stat -c %s part)" = "$size" ] || fail "size of $type $id"
  if [ -n "$name" ]; then name=${name#\"}; name=${name%\"}; set -- "$name"; else set --; fi
  "$bin/kxres" put --fork copy.rsrc "$type" "$id" part "$@"
done <<< "$listing"
mkdir a b
(cd a && fondu -force ../Tiny.fam.rsrc >/dev/null)
(cd b && fondu -force ../copy.rsrc >/dev/null)
[ -n "$(ls a)" ] || fail "fondu found no font in ufond's fork"
diff -r a b || fail "fondu reads our copy of ufond's fork differently"

# 3. FreeType finds a resource fork in the AppleDouble sidecar "._x".
if fc-query -f '%{family}\n' x >/dev/null 2>&1; then fail "an empty file loads as a font"; fi
: > x
"$bin/kxres" put x sfnt 128 "$font"
[ "$(fc-query -f '%{family}\n' x)" = "DejaVu Sans" ] || fail "FreeType did not load the font from ._x"

# 4. A writer killed at random moments leaves one whole save.
"$bin/kxsafesave" write doc 0 300000 >/dev/null
seen=0
# Kills come early and late; on a loaded machine, when no save has finished
# after 30 rounds, later rounds wait longer so that one does.
for round in $(seq 1 40); do
  [ "$round" -gt 30 ] && [ "$seen" -gt 0 ] && break
  "$bin/kxsafesave" loop doc 300000 &
  pid=$!
  if [ "$round" -le 30 ]; then
    sleep "0.$(printf '%03d' $((RANDOM % 250 + 5)))"
  else
    sleep "$((round - 29)).$(printf '%03d' $((RANDOM % 1000)))"
  fi
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  result=$("$bin/kxsafesave" check doc) || fail "round $round: $result"
  [ "$result" = "generation 0 whole" ] || seen=$((seen + 1))
done
[ "$seen" -gt 0 ] || fail "the writer never finished a save before it was killed"
rm -f .doc.kxsave-*

# 5. A write past the file-size limit fails, says so and changes nothing.
before=$(md5sum < doc)
if prlimit --fsize=100000 "$bin/kxsafesave" write doc 77 300000 2> err; then fail "write past the limit succeeded"; fi
grep -q "File too large" err || fail "no error message: $(cat err)"
[ "$(md5sum < doc)" = "$before" ] || fail "the old file changed"
[ -z "$(ls -A | grep kxsave || true)" ] || fail "temporary file left behind"

# 6. A full disk likewise, where a small file system can be mounted.
mkdir disk
if mount -t tmpfs -o size=256k tmpfs disk 2>/dev/null; then
  mnt=$work/disk
  "$bin/kxsafesave" write disk/doc 1 100000 >/dev/null
  before=$(md5sum < disk/doc)
  if "$bin/kxsafesave" write disk/doc 2 200000 2> err; then fail "write on a full disk succeeded"; fi
  grep -q "No space left" err || fail "no error message: $(cat err)"
  [ "$(md5sum < disk/doc)" = "$before" ] || fail "the old file changed on a full disk"
  [ "$(ls -A disk)" = "doc" ] || fail "temporary file left on the full disk: $(ls -A disk)"
else
  echo "skipped: cannot mount a small file system for the full-disk check"
fi
echo "all checks passed"
