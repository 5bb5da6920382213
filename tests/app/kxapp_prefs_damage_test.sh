#!/usr/bin/env bash
# A damaged preference file (a chunk's size runs past the end, or the file
# is cut short) on the real program through kxapp: the user hears once that
# it was damaged, and the next ordinary write (opening a file records it in
# the recent list) leaves the damaged file beside the new one. A whole file
# makes no copy and no alert.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
prefs=$work/prefs/preferences
open_file() { printf 'open %s\nprint alerts\n' "$work/$1" | "$bin/kxapp" --prefs "$work/prefs" -; }

printf 'text\n' | tee a.txt > b.txt
open_file a.txt > /dev/null
cp "$prefs" whole
for how in size cut; do
  cp whole "$prefs"
  if [ $how = size ]; then printf '\x00\x01\x00\x00' | dd of="$prefs" bs=1 seek=4 conv=notrunc status=none
  else truncate -s -3 "$prefs"; fi
  cp "$prefs" damaged
  rm -f "$prefs.damaged"
  out=$(open_file b.txt)
  [ "$(grep -c 'preferences.damaged' <<<"$out")" = 1 ] || fail "$how: not told once: $out"
  cmp -s damaged "$prefs.damaged" || fail "$how: the damaged file was not kept"
  cmp -s damaged "$prefs" && fail "$how: the recent list was not written"
done
rm -f "$prefs.damaged"
out=$(open_file a.txt)
[ -z "$out" ] && [ ! -e "$prefs.damaged" ] || fail "a whole file was reported or copied: $out"

# A file damaged again keeps the earlier copy and goes to the next name.
cp whole "$prefs"; truncate -s -3 "$prefs"; cp "$prefs" damaged1
open_file b.txt > /dev/null
cp whole "$prefs"; truncate -s -5 "$prefs"; cp "$prefs" damaged2
out=$(open_file a.txt)
grep -q 'preferences.damaged 2' <<<"$out" || fail "the second copy was not named: $out"
cmp -s damaged1 "$prefs.damaged" || fail "the first copy was replaced"
cmp -s damaged2 "$prefs.damaged 2" || fail "the second damaged file was not kept"
rm -f "$prefs".damaged*

# Something that cannot be read where the file belongs is named once and
# left in place.
rm -f "$prefs"; mkdir "$prefs"
out=$(open_file a.txt)
[ "$(grep -c "$prefs.*を読み込めませんでした" <<<"$out")" = 1 ] || fail "an unreadable file was not told: $out"
[ -d "$prefs" ] || fail "the unreadable file was replaced"
rmdir "$prefs"

# Numbers in the settings record that no dialog would give: a new document
# takes them in the dialogs' ranges (size up to 5000, tab width and line
# spacing up to 999, character spacing up to 100), numbers inside them as
# stored. The record's size, tab width, line and character spacing sit at
# 12, 14, 22 and 24 of the first chunk's data.
[ "$(head -c 4 whole)" = KXTP ] || fail "the settings record is not the first chunk"
put16() { printf "\\x$(printf %02x $(($2 >> 8)))\\x$(printf %02x $(($2 & 255)))" | dd of="$prefs" bs=1 seek=$((8 + $1)) conv=notrunc status=none; }
for numbers in "32767 32767 32767 32767 5000 999 999 100" "36 8 7 3 36 8 7 3" "4321 999 999 100 4321 999 999 100"; do
  set -- $numbers
  cp whole "$prefs"
  put16 12 $1; put16 14 $2; put16 22 $3; put16 24 $4
  out=$("$bin/kxapp" --prefs "$work/prefs" - <<'S'
menu 2
type abc def
menu 1410
print window 2607
click 2602
menu 1416
print window 2661
click 2652
S
)
  field() { grep "^$1 field " <<<"$out" | awk '{print $NF}'; }
  got="$(field 2607) $(field 2608) $(field 2609) $(field 2661)"
  [ "$got" = "$5 $6 $7 $8" ] || fail "stored $1 $2 $3 $4: a new document has size, tab, line, char $got"
done
exit 0
