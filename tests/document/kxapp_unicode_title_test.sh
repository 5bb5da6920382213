#!/usr/bin/env bash
# Documents whose file names hold characters Shift_JIS lacks: the window
# title, the Window menu and the recent files and folders show the whole
# name; names Shift_JIS holds print as they always did; a name whose bytes
# are no UTF-8 shows U+FFFD for them instead of breaking the menus.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$work/dir✓"
cd "$work/dir✓"
printf 'a\n' > 'café✓😀.txt'
printf 'b\n' > '日本語.txt'
printf 'c\n' > '✓'
printf 'd\n' > "$(printf 'bad\377.txt')"
out=$("$bin/kxapp" --prefs "$work/prefs" - <<S 2>"$work/err"
open café✓😀.txt 日本語.txt ✓
open $(printf 'bad\377.txt')
print windows
type x
print windows
print menus
S
) || fail "kxapp: $(cat "$work/err")"
windows=$(sed -n '1,/^ファイル (129)$/p' <<<"$out" | sed '$d')
expected=$(printf '%s\n' $'bad\uFFFD.txt' '✓' '日本語.txt' 'café✓😀.txt' $'bad\uFFFD.txt (modified)' '✓' '日本語.txt' 'café✓😀.txt')
[ "$windows" = "$expected" ] || fail "print windows: $windows"

window_menu=$(sed -n '/^ウインドウ (135)$/,/^ヘルプ/p' <<<"$out" | grep -E '^  161[0-9] ')
expected_menu=$(printf '%s\n' '  1610 café✓😀.txt [Ctrl+1] icon=44' '  1611 日本語.txt [Ctrl+2] icon=44' \
  '  1612 ✓ [Ctrl+3] icon=44' $'  1613 bad\uFFFD.txt [Ctrl+4] checked icon=45')
[ "$window_menu" = "$expected_menu" ] || fail "Window menu: $window_menu"

recent=$(sed -n '/1003 /,/1020 /p' <<<"$out")
for line in $'    0 bad\uFFFD.txt' '    0 ✓' '    0 日本語.txt' '    0 café✓😀.txt' '    0 dir✓ >' \
  '      0 café✓😀.txt' '      0 日本語.txt'; do
  grep -qxF "$line" <<<"$recent" || fail "recent menu lacks '$line': $recent"
done
