#!/usr/bin/env bash
# kxedit's services steps: the exact lines of types, copy, paste and kind,
# a picture selection, the clipboard's "styl" pasted with its text, and the
# usage errors.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
edit() { "$bin/kxedit" --window a.txt -; }

printf 'ab\xe3\x81\x82c' > a.txt

out=$(edit <<'S'
services types
select 0 4
services types
services copy
S
)
[ "$out" = "$(printf 'copy:\npaste: TEXT utxt PICT\ncopy: TEXT utxt\npaste: TEXT utxt PICT\nTEXT 61 62 82 a0\nutxt 61 00 62 00 42 30\nresult 0')" ] ||
  fail "types and copy: $out"

# A picture pasted in is then a picture selection: "PICT" alone both ways.
printf '\x00\x0e\x00\x00\x00\x00\x00\x14\x00\x1e\x01\x02\x03\x04' > pict
out=$(edit <<'S'
select 1 1
services paste PICT=@pict
select 1 2
services types
services copy
services paste PICT=000e0000
services kind 4
S
)
[ "$out" = "$(printf 'result 0\ncopy: PICT\npaste: TEXT utxt PICT\nPICT 00 0e 00 00 00 00 00 14 00 1e 01 02 03 04\nresult 0\nresult -9874\nresult -9874')" ] ||
  fail "picture: $out"

# The clipboard's "styl" goes with the text: the same style runs as a paste.
styl=$(printf 'select 0 2\ncommand 402\ncopy\nclipboard styl\n' | edit | tr -d ' ')
[ -n "$styl" ] || fail "no styl on the clipboard"
printf 'select 0 2\ncommand 402\ncopy\nselect 5 5\npaste\nprint styles\n' | edit > want
printf 'select 0 2\ncommand 402\ncopy\nselect 5 5\nservices paste TEXT=6162 styl=%s\nprint styles\n' "$styl" | edit | grep -v "^result 0$" > got
diff want got >/dev/null || fail "styl: $(cat got) against $(cat want)"

# Usage: only with --window; bad data is bad input.
set +e
printf 'services types\n' | "$bin/kxedit" a.txt - 2>err; code=$?
set -e
[ $code -eq 2 ] && grep -qx 'kxedit: services needs --window' err || fail "without --window: $code $(cat err)"
set +e
printf 'services paste TEXT=6\n' | edit >/dev/null 2>&1; code=$?
set -e
[ $code -eq 1 ] || fail "odd hexadecimal: $code"
echo ok
