#!/usr/bin/env bash
# The find palette never takes the front: a file opened after the find
# dialog's Find (which opens the palette) or after the palette's replace
# buttons comes in front of the searched document and takes the typing,
# and closing the palette leaves the windows' order alone. The other
# dialogs that act on their document as they close, for comparison.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }

# $1 names the case; $2 the steps run on b.txt before c.txt is opened.
# Prints the windows once c.txt is open; Q is typed and the front saved.
then_open() {
  printf 'Test1\rx\r漢字です\r' > b.txt
  printf 'c\n' > c.txt
  local out
  out=$(printf '%s\n' "open $work/b.txt" "$2" "open $work/c.txt" "print windows" "type Q" "menu 5" | app -)
  [ "$(head -1 <<<"$out")" = c.txt ] || fail "$1: c.txt not in front: $out"
  [ "$(cat c.txt)" = Qc ] || fail "$1: c.txt did not take the typing: $(cat c.txt)"
  [ "$(head -c 1 b.txt)" != Q ] || fail "$1: b.txt took the typing"
}

# 1. The find dialog's Find, matching or not: the palette opens on b.txt.
then_open find $'menu 1209\nfield 2106 Test\nclick 2101'
then_open "find, no match" $'menu 1209\nfield 2106 zzz\nclick 2101'
# 2. The palette's buttons: replace and replace-and-find leave it open,
#    replace all closes it (its count alert answered).
replace=$'menu 1209\nfield 2106 Test\nfield 2107 T\nclick 2101'
then_open replace "$replace"$'\nclick 2155'
then_open "replace and find" "$replace"$'\nclick 2154'
then_open "replace all" "$replace"$'\nclick 2156\nanswer ok'
# 3. Dialogs that run a command on their document as they close.
then_open "go to line" $'menu 1211\nfield 2203 2\nclick 2201'
then_open mark $'select 0 3\nmenu 1220\nclick 2351'
then_open ruby $'select 8 14\nmenu 1302\nfield 2454 かんじ\nclick 2451'
then_open "find and mark" $'menu 1257\nfield 2183 Test\nclick 2181'

# 4. The palette closed while a tool window is in front: that stays there.
printf 'Test1\r' > b.txt
out=$(app - <<S
open $work/b.txt
menu 1209
field 2106 Test
click 2101
menu 1004
click 2151
print windows
S
)
[ "$(head -1 <<<"$out")" = "ファイルブラウザ" ] || fail "closing the palette reordered the windows: $out"
echo ok
