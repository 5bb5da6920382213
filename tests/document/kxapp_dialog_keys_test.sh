#!/usr/bin/env bash
# Dialogs that open with a text field take the keys typed at once, with no
# click on the field first: the typed text replaces the proposed one in the
# go-to-line, ruby, mark, size and font-register dialogs, and Return presses
# the default button.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$bin/kxapp" --prefs "$(mktemp -d "$work/prefs.XXXX")" -; }

# Go to line 2 of three (it starts at byte 3).
out=$(run <<'S'
menu 2
type 一
key return
type 二
key return
type 三
menu 1211
type 2
key return
print selection
S
)
[ "$out" = "3 3" ] || fail "go-to-line: $out"

# The ruby typed over the reading proposed for 漢字.
out=$(run <<'S'
menu 2
type 漢字かな
select 0 4
menu 1302
type かんじ
key return
print ruby
S
)
[ "$out" = "0 4 6 130 169 130 241 130 182" ] || fail "ruby: $out"

# Mark, size and font-register dialogs: the field shows what was typed.
out=$(run <<'S'
menu 2
type abc
select 0 3
menu 1220
type here
print window 2355
key escape
menu 303
type 20
key return
print styles
menu 1308
type mine
print window 2525
key escape
S
)
grep -qx '2355 field 1 1 0 here' <<<"$out" || fail "mark: $out"
grep -qxE '0 ([0-9]+ ){5}20 0 0 0' <<<"$out" || fail "size: $out"
grep -qx '2525 field 1 1 0 mine' <<<"$out" || fail "font register: $out"
echo ok
