#!/usr/bin/env bash
# The option preferences and the macro dialog on the real program through
# kxapp: what a refused OK leaves, what an accepted one stores (and only
# that), and the macro list saved to and deleted from.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

# 1. Option preferences: the two refusals beep and keep the dialog open
#    with nothing stored; cancel changes nothing; OK changes exactly the
#    fields set, in LRDT.
app - > before.txt <<'S'
menu 2
print prefs
S
out=$(app - <<'S'
menu 2
menu 1121
choose 3002 3
field 3007
click 3021
print beeps
field 3007 ab
field 3009 0
click 3021
print beeps
click 3022
print window 3021
print prefs
S
)
[ "$(printf '%s\n' "$out" | head -3)" = "$(printf 'beeps 1\nbeeps 2\nnone')" ] || fail "refusals: $out"
[ "$(printf '%s\n' "$out" | tail -n +4)" = "$(cat before.txt)" ] || fail "cancel changed the settings"
app - > after.txt <<'S'
menu 2
menu 1121
choose 3002 3
field 3007 　x
field 3009 40
choose 3010 3
choose 3011 1
click 3021
print window 3021
print prefs
S
[ "$(head -1 after.txt)" = none ] || fail "OK left the dialog open"
changed=$(diff <(cat before.txt) <(tail -n +2 after.txt) | grep '^>' || true)
[ "$changed" = "$(printf '%s\n' '> LRDT.shift type = 2' \
  '> LRDT.shift string = 0381407800000000000000000000000000000000000000000000000000000000' \
  '> LRDT.reform width = 40' '> LRDT.kinsoku = 2' '> LRDT.word wrap = 1')" ] || fail "OK stored: $changed"

# The custom shift string holds what the preference keeps (31 bytes): a
# longer one is cut where it is typed, not silently on OK.
out=$(app - <<'S'
menu 2
menu 1121
choose 3002 3
field 3007 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
print window 3021
S
)
grep -qx '3007 field 1 1 0 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' <<<"$out" || fail "shift string field: $out"

# 2. The macro dialog: a long name keeps 31 bytes, a Japanese one whole
#    characters; an empty name beeps; rows 1 and 2 of 3 deleted (the
#    selection deleted from the last row up) leave the third.
rm -rf prefs
out=$(app - <<'S'
menu 2
menu 1146
type a
menu 1146
menu 1149
field 2365 0123456789012345678901234567890123456789
click 2361
menu 1146
type b
menu 1146
menu 1149
click 2361
print beeps
field 2365 あいうえおかきくけこさしすせそた
click 2361
menu 1146
type c
menu 1146
menu 1149
field 2365 third
click 2361
menu 1149
print cells 2364
choose 2364 1 2
click 2363
menu 1149
print cells 2364
click 2362
quit
S
)
expected=$(printf '%s\n' 'beeps 1' '1 - - 0123456789012345678901234567890' '2 - - あいうえおかきくけこさしすせそ' \
  '3 - - third' '1 - - third')
[ "$out" = "$expected" ] || fail "macro dialog: $out"
# The list outlives the run, and the Macro menu offers it: macro n is
# command 1149 + n, and choosing it runs the macro.
out=$(app - <<'S'
menu 2
menu 1149
print cells 2364
click 2362
menu 1150
print text
print menus
S
)
[ "$(printf '%s\n' "$out" | head -2)" = "$(printf '1 - - third\nc')" ] || fail "saved macros: $out"
grep -qx '  1150 third' <<<"$out" || fail "the Macro menu does not list the saved macro: $out"

# The name field has the keys from the start: a name typed, then Return,
# saves (the default button) and closes the dialog.
out=$("$bin/kxapp" --prefs "$work/prefs-typed" - <<'S'
menu 2
menu 1146
type a
menu 1146
menu 1149
type typed
key return
print windows
print macros
S
)
[ "$out" = "$(printf '名称未設定 1 (modified)\n0 -\n1 typed 02000161')" ] || fail "typed macro name: $out"

# 3. Deleting the last macro refills the list from the factory settings.
mkdir -p data/factory
printf 'KMRT\0\0\0\x27\x07factory' > data/factory/preferences
head -c 24 /dev/zero >> data/factory/preferences
printf '\0\0\0\x03\x01\x00\x02' >> data/factory/preferences
out=$(KXTEXT_DATA_DIR="$work/data" app - <<'S'
menu 2
menu 1149
print cells 2364
choose 2364 1
click 2363
menu 1149
print cells 2364
S
)
[ "$out" = "$(printf '1 - - third\n1 - - factory')" ] || fail "factory macros: $out"
# 4. The start-up text colour: new documents and plain files read after it
#    is set start in it; a document already open keeps its own.
printf 'plain\n' > plain.txt
out=$(app - <<S
menu 2
menu 1108
answer colour 0 0 65535
click 2010
click 2001
print styles
menu 2
type abc
print styles
open $work/plain.txt
print styles
S
)
[ "$out" = "$(printf '0 12 11 1 0 0 12 0 0 0\n0 12 11 1 0 0 12 0 0 65535\n0 12 11 1 0 0 12 0 0 65535')" ] ||
  fail "start-up colour: $out"
echo ok
