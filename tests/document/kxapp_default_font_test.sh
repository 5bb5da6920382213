#!/usr/bin/env bash
# The default font and size of the preferences on the real program through
# kxapp: a new document and an opened plain text (empty or not) show and
# type in them; RTF keeps its own font. A default font of another script
# than a text's leaves the text its characters, and so its font, but gives
# it the size.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/$1" -; }
# Font and size of each line of `print styles`.
runs() { awk 'NF == 10 && $1 ~ /^[0-9]+$/ { print $4, $7 }'; }
# Chooses the font named $2 at 24 points in preference folder $1 and
# prints its number.
prefer() {
  local item
  item=$(printf 'menu 2\nmenu 1108\nprint items 2008\n' | app "$1" | grep -n -x "[0-9]* $2" | cut -d: -f1)
  [ -n "$item" ] || fail "no font $2"
  printf 'menu 2\nmenu 1108\nchoose 2008 %s\nfield 2011 24\nclick 2001\nprint prefs\n' "$item" | app "$1" |
    sed -n 's/^KXTP.font = //p'
}

printf 'plain text\n' > plain.txt
printf '日本語のテキスト\n' > japanese.txt
: > empty.txt
printf '{\\rtf1\\ansi{\\fonttbl\\f0\\froman Nimbus Roman;}\\f0\\fs20 styled}' > s.rtf

font=$(prefer japanese IPAMincho)
out=$(app japanese <<S
menu 2
type abc
print styles
open $work/plain.txt
key end
type xyz
print styles
open $work/japanese.txt
print styles
open $work/empty.txt
print styles
open $work/s.rtf
print styles
S
)
[ "$(runs <<<"$out" | head -4)" = "$(printf '%s 24\n' "$font" "$font" "$font" "$font")" ] ||
  fail "Japanese default font: $out"
rtf=$(runs <<<"$out" | tail -n 1)
[ "${rtf#* }" = 10 ] && [ "${rtf% *}" != "$font" ] || fail "the RTF took the default: $out"

font=$(prefer roman 'Nimbus Roman')
out=$(app roman <<S
menu 2
type abc
print styles
open $work/japanese.txt
print styles
print text
S
)
[ "$(runs <<<"$out")" = "$(printf '%s 24\n1 24' "$font")" ] || fail "Roman default font: $out"
grep -qx '日本語のテキスト' <<<"$out" || fail "Roman default font changed the text: $out"
exit 0
