#!/usr/bin/env bash
# Character conversions on the real program keep the marks on the text they
# convert: a mark inside the converted range went, and one over a voiced
# half-width kana moves onto the full-width kana it becomes. Undo and redo
# give each set back. Capitalising runs words on over letters the
# Japanese encoding lacks (they used to start a new word).
set -euo pipefail
bin=${KX_BIN_DIR:?}
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
printf 'abc漢字def ひらがな\nｶﾞｷﾞ xyz\n' > "$tmp/r.txt"
printf 'naïve Straße Ærø\nabc😀déf\n' > "$tmp/c.txt"
mark() { printf 'select %s %s\nmenu 1220\nfield 2355 %s\nclick 2351\n' "$1" "$2" "$3"; }
{
  echo "open $tmp/r.txt"
  mark 11 19 kana
  mark 22 24 ki
  mark 26 29 after
  printf 'select 0 29\nmenu 1116\nprint marks\nmenu 11\nprint marks\n'
  printf 'select 0 26\nmenu 1115\nprint text\nprint marks\nmenu 11\nprint marks\nmenu 28\nprint marks\n'
  echo "open $tmp/c.txt"
  printf 'menu 16\nmenu 1123\nprint text\nquit\n'
} > "$tmp/s"
out=$("$bin/kxapp" --prefs "$tmp/p" "$tmp/s" 2>&1)
marks=$(printf '%s\n' "11 19 0 kana" "22 24 0 ki" "26 29 0 after")
moved=$(printf '%s\n' "18 26 0 kana" "29 31 0 ki" "35 38 0 after")
want=$(printf '%s\n' "$marks" "$marks" "ａｂｃ漢字ｄｅｆ　ひらがな" "ガギ　ｘyz" "" "$moved" "$marks" "$moved" \
  "Naïve Straße Ærø" "Abc😀Déf" "")
[ "$out" = "$want" ] || { printf 'FAIL:\n%s\n' "$out" >&2; exit 1; }
echo ok
