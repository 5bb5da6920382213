#!/usr/bin/env bash
# The Window menu's arranging items and the built-in menu keys through
# kxapp: tile, stack and zoom on with any document, the next document only
# with another one; Ctrl+` brings the next document in the order they were
# opened to the front (the one before with Shift), and Ctrl+Y opens the
# text format dialog, as the menus show.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in a b c; do printf '%s\n' "$f" > "$f.txt"; done

menus=$("$bin/kxapp" --menus)
for item in '1410 .*\[Ctrl+Y\]' '1603 .*\[Ctrl+/\]' '1604 .*\[Ctrl+`\]' '^  1601 ' '^  1602 '; do
  grep -q -- "$item" <<<"$menus" || fail "no menu item $item"
done

out=$("$bin/kxapp" --prefs "$work/prefs" - <<'S'
open a.txt
status 1604
open b.txt c.txt
status 1601
status 1602
status 1603
status 1604
key ` cmd
print windows
key ` cmd
print windows
menu 1604 shift
print windows
key y cmd
print windows
S
)
enabled=$(grep -E '^[01] ' <<<"$out" | cut -d' ' -f1 | tr -d '\n')
[ "$enabled" = 01111 ] || fail "1601-1604 enabled as $enabled: $out"
fronts=$(grep -vE '^[01] ' <<<"$out" | awk 'NR == 1 || NR == 4 || NR == 7 || NR == 10' | tr '\n' ' ')
[ "$fronts" = "a.txt b.txt a.txt テキストフォーマット " ] || fail "front windows: $fronts"
echo PASS
