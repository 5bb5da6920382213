#!/usr/bin/env bash
# kxedit's services steps: the exact lines of types, copy, paste and kind,
# and the refusal without --window.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

printf 'ab\xe3\x81\x82c' > a.txt
printf '\x00\x0e\x00\x00\x00\x00\x00\x14\x00\x1e\x01\x02\x03\x04' > pict
out=$("$bin/kxedit" --window a.txt - <<'S'
services types
select 0 4
services types
services copy
select 1 1
services paste PICT=@pict TEXT=
select 1 2
services copy
services paste TEXT=7879 utxt=7a00
services kind 4
S
)
[ "$out" = "$(printf 'copy:\npaste: TEXT utxt PICT\ncopy: TEXT utxt\npaste: TEXT utxt PICT\nTEXT 61 62 82 a0\nutxt 61 00 62 00 42 30\nresult 0\nresult 0\nPICT 00 0e 00 00 00 00 00 14 00 1e 01 02 03 04\nresult 0\nresult 0\nresult -9874')" ] ||
  fail "steps: $out"

code=0
printf 'services types\n' | "$bin/kxedit" a.txt - 2>err || code=$?
[ $code -eq 2 ] && grep -qx 'kxedit: services needs --window' err || fail "without --window: $code $(cat err)"

# Halves of surrogate pairs from outside are no characters: two pasted side
# by side stay two replacement characters, not one they never were.
printf 'ab' > s.txt
out=$("$bin/kxedit" --window s.txt - <<'S'
select 2 2
services paste utxt=00d8
services paste utxt=00dc
select 2 6
services copy
S
)
grep -qx 'utxt fd ff fd ff' <<<"$out" || fail "lone surrogates: $out"
