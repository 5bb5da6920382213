#!/usr/bin/env bash
# Typing or pasting inside a ruby base: the base takes the bytes, so the
# "(ruby)" a copy or a plain-text save writes follows the whole base and
# never parts a character; undo gives the ruby back. A picture in a base
# leaves the ruby after it in the Unicode clipboard too.
set -euo pipefail
bin=${KX_BIN_DIR:?}
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { printf '%s\n%s\n' "$1" "$2"; exit 1; }
printf '私は漢字を書く。\r\n' > "$tmp/a.txt"
cp "$tmp/a.txt" "$tmp/b.txt"
ruby=$'select 4 8\nmenu 1302\nfield 2454 かんじ\nclick 2451'
out=$("$bin/kxapp" --prefs "$tmp/p" - 2>&1 <<END
open $tmp/a.txt
$ruby
select 6 6
type X
select 0 18
menu 13
print clipboard
menu 11
print ruby
menu 28
select 7 7
clipboard ab
menu 14
print ruby
menu 5
quit
END
)
want=$'私は漢X字(かんじ)を書く。\n\n4 4 6 130 169 130 241 130 182\n4 7 6 130 169 130 241 130 182'
[ "$out" == "$want" ] || fail "typing inside a base:" "$out"
[ "$(cat "$tmp/a.txt")" == $'私は漢Xab字(かんじ)を書く。\r' ] || fail "saved as:" "$(cat "$tmp/a.txt")"

out=$("$bin/kxapp" --prefs "$tmp/p" - 2>&1 <<END
open $tmp/b.txt
select 4 4
menu 1141
answer ${KX_SOURCE_DIR:?}/tests/data/formats/jpeg-444.jpg
${ruby/4 8/2 9}
select 0 11
menu 13
print clipboard
quit
END
)
[ "$out" == "私は漢字(かんじ)を" ] || fail "a picture in the base:" "$out"
echo ok
