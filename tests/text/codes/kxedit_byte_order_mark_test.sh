#!/usr/bin/env bash
# A UTF-8 byte-order mark is no character of the text: the drivers read
# it away as the program does, so offsets and lines match the program's.
set -u
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
# A character Shift_JIS lacks keeps its side entry at its own offset.
printf '\xef\xbb\xbfbom\r\xe2\x88\x92x\n' > bom.txt
check "kxedit lines" "$(printf '0 13\n4 13\n8 13')" "$(printf 'print lines\n' | "$bin/kxedit" bom.txt -)"
check "kxedit text" "$(printf 'bom\n\xe2\x88\x92x')" "$(printf 'print text\n' | "$bin/kxedit" bom.txt -)"
check "kxedit the side character" "12 22" "$(printf 'select 4 6\ncopy\nclipboard utxt\n' | "$bin/kxedit" bom.txt -)"
check "kxpages" "1 1 1 3 0 8" "$("$bin/kxpages" bom.txt)"
check "same as without the mark" "$(printf 'bom\r\xe2\x88\x92x\n' > plain.txt; "$bin/kxpages" plain.txt)" "$("$bin/kxpages" bom.txt)"
exit $fail
