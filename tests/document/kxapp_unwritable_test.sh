#!/usr/bin/env bash
# Characters a Japanese encoding cannot hold: typed into a Shift_JIS text
# they stay in the window as themselves, a save in Shift_JIS or EUC-JP
# says how many the file could not take, and a save in UTF-8 keeps them
# without a word.
set -u
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }

printf 'abc\n' > "$work/a.txt"
out=$(app <<S
open $work/a.txt
type café ①−
print text
answer ok
menu 5
print alerts
S
)
check "typed" "café ①−abc" "$(head -n 1 <<<"$out")"
# é is the one character Shift_JIS has no code for (① and − have theirs).
check "the count" "note: 1文字はこの文字コードでは書けないため、保存したファイルでは失われています。残すには Unicode で保存してください。" \
  "$(tail -n 1 <<<"$out")"
check "written" "$(printf 'caf\xa0 \x87\x40\x81\x7cabc' | xxd -p)" "$(head -n 1 "$work/a.txt" | tr -d '\n' | xxd -p)"

# The same characters in a UTF-8 text: all written, no alert.
printf '日本\n' > "$work/b.txt"
out=$(app <<S
open $work/b.txt
type café ①−
menu 5
print alerts
S
)
check "no alert in UTF-8" "" "$out"
check "all written" "café ①−日本" "$(cat "$work/b.txt")"

# Plain text with nothing outside the encoding: no alert.
printf 'abc\n' > "$work/c.txt"
out=$(app <<S
open $work/c.txt
type 日本語
menu 5
print alerts
S
)
check "nothing lost" "" "$out"
check "saved" "$(printf '\x93\xfa\x96\x7b\x8c\xeaabc\n' | xxd -p)" "$(xxd -p "$work/c.txt")"
# An EUC-JP text with a JIS X 0212 character (丂), which Shift_JIS lacks:
# the window shows it (kept beside its placeholder).
printf '\x8f\xb0\xa1\xa4\xa2\xa4\xa4\xa4\xa6\xa4\xa8\xa4\xaa\xa4\xab\xa4\xad\n' > "$work/d.txt"
out=$(app <<S
open $work/d.txt
print text
S
)
check "JIS X 0212 read" "丂あいうえおかき" "$(head -n 1 <<<"$out")"
exit $fail
