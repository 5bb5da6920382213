#!/usr/bin/env bash
# An emptied document saves in the own format: the text resource of no
# bytes was refused and the old contents stayed on disk.
set -euo pipefail
bin=${KX_BIN_DIR:?}
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
printf 'abc\n' > "$tmp/a.txt"
cat > "$tmp/s1" <<END
menu 2
menu 1447
answer $tmp/new.kxt
menu 6
open $tmp/a.txt
menu 16
key backspace
menu 1447
menu 5
answer save
print alerts
quit
END
out=$("$bin/kxapp" --prefs "$tmp/p" "$tmp/s1" 2>&1)
if [[ "$out" == *"を保存できませんでした"* ]]; then echo "save refused: $out"; exit 1; fi
[ -s "$tmp/new.kxt" ] || { echo "new.kxt not written"; exit 1; }
for f in new.kxt a.txt; do
  printf 'open %s\nprint text\nprint alerts\nquit\n' "$tmp/$f" > "$tmp/s2"
  got=$("$bin/kxapp" --prefs "$tmp/p" "$tmp/s2" 2>&1)
  [ -z "$got" ] || { echo "$f reopened as: $got"; exit 1; }
done
echo ok
