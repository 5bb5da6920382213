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
exit 0
