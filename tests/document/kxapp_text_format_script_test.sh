#!/usr/bin/env bash
# The text-format dialog over a Japanese plain text: a Roman font there
# would read the Shift_JIS bytes as Mac Roman characters, show and copy
# them so and save them as placeholders. The text keeps its characters and
# its font; the size and the tab width chosen with it still apply. An empty
# text has no characters to lose and takes the Roman font.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/$1" -; }
# Font, size of each line of `print styles`.
runs() { awk 'NF == 10 && $1 ~ /^[0-9]+$/ { print $4, $7 }'; }
text='日本語のテキスト
ｶﾀｶﾅと「かな」、漢字…'

item=$(printf 'menu 2\nmenu 1410\nprint items 2605\n' | app p | grep -x '[0-9]* Nimbus Roman' | cut -d' ' -f1)
[ -n "$item" ] || fail "no Nimbus Roman"
printf '%s\n' "$text" | iconv -f UTF-8 -t CP932 > s.txt
printf '%s\n' "$text" > u.txt
cp s.txt s0.txt
cp u.txt u0.txt

# Shift_JIS and UTF-8 files, each saved in place and in the own format.
for f in s u; do
  out=$(app p <<S
open $work/$f.txt
menu 1410
choose 2605 $item
field 2607 20
field 2608 8
click 2601
print styles
print text
menu 16
menu 13
print clipboard
menu 5
menu 1447
answer $work/$f.kxt
menu 6
print alerts
S
)
  [ "$(runs <<<"$out")" = "1 20" ] || fail "$f.txt: the runs took the Roman font or lost the size: $out"
  [ "$(grep -c -x -F "$(head -n 1 <<<"$text")" <<<"$out")" = 2 ] || fail "$f.txt shown or copied changed: $out"
  grep -q 'ｶﾀｶﾅと「かな」、漢字…' <<<"$out" || fail "$f.txt: second line changed: $out"
  grep -q '失われて' <<<"$out" && fail "$f.txt: characters lost on saving: $out"
  cmp -s $f.txt ${f}0.txt || fail "$f.txt saved changed: $(xxd $f.txt | head -n 3)"
  back=$(printf 'open %s\nprint text\nprint styles\n' "$work/$f.kxt" | app p)
  [[ $back == "$text"* ]] || fail "$f.kxt reopened changed: $back"
  # The tab width reached the document: the dialog shows it again.
  shown=$(printf 'open %s\nmenu 1410\nprint window 2601\n' "$work/$f.kxt" | app p)
  grep -q '^2608 field .* 8$' <<<"$shown" || fail "$f.kxt lost the tab width: $shown"
done

# A Roman default font from the preferences: the whole text given a new
# size through the dialog stays in its own font.
printf 'menu 2\nmenu 1108\nchoose 2008 %s\nclick 2001\n' \
  "$(printf 'menu 2\nmenu 1108\nprint items 2008\n' | app r | grep -n -x '[0-9]* Nimbus Roman' | cut -d: -f1)" |
  app r > /dev/null
out=$(app r <<S
open $work/s0.txt
menu 1410
field 2607 18
choose 2621 1
click 2601
print styles
print text
S
)
[ "$(runs <<<"$out")" = "1 18" ] || fail "Roman default font: the runs took it: $out"
[[ $(sed -n '2,$p' <<<"$out") == "$text"* ]] || fail "Roman default font changed the text: $out"

# An empty text takes the Roman font; typing into it types Roman.
font=$(printf 'menu 2\nmenu 1410\nchoose 2605 %s\nclick 2601\nprint styles\n' "$item" | app p | runs)
[ -n "$font" ] && [ "${font% *}" -gt 1 ] || fail "an empty text refused the Roman font: $font"

# An all-ASCII text reads alike in every script: it takes the Roman font,
# from the dialog and as the default font when opened, and saves unchanged.
printf 'plain ASCII\\text ~\n' > a.txt
cp a.txt a0.txt
out=$(printf 'open %s\nmenu 1410\nchoose 2605 %s\nclick 2601\nprint styles\nprint text\nmenu 5\n' "$work/a.txt" "$item" | app p)
[ "$(runs <<<"$out")" = "$font" ] || fail "an ASCII text refused the Roman font: $out"
grep -q -x -F 'plain ASCII\text ~' <<<"$out" || fail "the ASCII text changed: $out"
cmp -s a.txt a0.txt || fail "the ASCII text saved changed"
out=$(printf 'open %s\nprint styles\n' "$work/a0.txt" | app r)
[ "$(runs <<<"$out" | cut -d' ' -f1)" = "${font% *}" ] || fail "an ASCII text opened without the Roman default font: $out"
exit 0
