#!/usr/bin/env bash
# The find dialogs on the real program through kxapp: Ctrl+F, a pattern,
# Find selects the match and opens the palette; the palette's buttons;
# the 255-byte find string; the find-assist palette; find-and-mark.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# Each run starts from fresh preferences (histories, flags).
app() { local p; p=$(mktemp -d -p "$work"); "$bin/kxapp" --prefs "$p" "$@"; }

printf 'one two one\nthree one\n' > a.txt

# 1. Ctrl+F opens the dialog; Find selects the match, the palette opens
#    (floating: the document stays the front window); its buttons leave it
#    open, replace all closes it and is one undo step.
out=$(app - <<'S'
open a.txt
key f cmd
print windows
field 2106 one
field 2107 1
click 2101
print selection
print windows
click 2153
print selection
click 2155
click 2156
print windows
print text
menu 11
print text
S
)
want=$(printf '%s\n' "検索と置換" "a.txt" "0 3" "a.txt" "8 11" "a.txt (modified)" \
  "1 two 1" "three 1" "" "one two 1" "three one")
[ "$out" = "$want" ] || fail "find and palette: $out"

# 2. A disabled palette command beeps and changes nothing; Escape in the
#    dialog cancels it and stores nothing.
out=$(app - <<'S'
open a.txt
menu 1201
field 2106 zzz
key escape
print windows
menu 1201
print window 2106
field 2106 zzz
click 2101
print windows
click 2155
print beeps
print text
S
)
grep -q "^2106 field 1 1 0 zzz$" <<<"$out" && fail "cancel stored the text: $out"
grep -q "^beeps [1-9]" <<<"$out" || fail "disabled palette button: $out"

# 3. A long field: the find string keeps at most 255 bytes, never half a
#    double-byte character (254 when byte 255 would start one).
long254=$(printf 'a%.0s' $(seq 254))
long253=$(printf 'b%.0s' $(seq 253))
out=$(app - <<S
open a.txt
menu 1201
field 2106 ${long254}あいう
click 2103
menu 1201
print window 2106
click 2102
menu 1201
field 2106 ${long253}あいう
click 2103
menu 1201
print window 2106
S
)
got1=$(echo "$out" | grep '^2106 field' | sed -n 1p | sed 's/^2106 field 1 1 0 //')
got2=$(echo "$out" | grep '^2106 field' | sed -n 2p | sed 's/^2106 field 1 1 0 //')
[ "$got1" = "$long254" ] || fail "cut before a double-byte character: ${#got1} chars"
[ "$got2" = "${long253}あ" ] || fail "cut after a double-byte character: $got2"

# 4. Find-assist: slots from the histories; a click finds; an empty slot
#    opens the entry dialog, whose OK fills and runs it.
out=$(app - <<'S'
open a.txt
menu 1201
field 2106 three
field 2107 3
click 2103
menu 1201
field 2106 two
click 2117
print window 3401
click 3402
print selection
click 3403
print windows
field 2163 one
click 2161
print selection
print window 3403
S
)
grep -q "^3401 button 1 1 0 two$" <<<"$out" || fail "slot 1: $out"
grep -q "^3402 button 1 1 0 three$" <<<"$out" || fail "slot 2: $out"
grep -q "^3406 button 1 1 0 3$" <<<"$out" || fail "slot 6: $out"
grep -q "^12 17$" <<<"$out" || fail "slot find: $out"
grep -q "^検索文字列$" <<<"$out" || fail "entry dialog: $out"
grep -q "^18 21$" <<<"$out" || fail "entry find: $out"

# 5. Find and mark (1257) marks every match; clearing removes them.
out=$(app - <<'S'
open a.txt
menu 1257
field 2183 one
click 2181
print markup
menu 1257
click 2188
print markup
S
)
[ "$out" = "$(printf '0 3 one\n8 11 one\n18 21 one')" ] || fail "find and mark: $out"

# 6. An expression too slow to match stops find-and-mark as it stops Find:
#    the stop alert shows, and the matches marked before the stop stay.
printf 'aab\n%s\n' "$(printf 'a%.0s' $(seq 40))" > c.txt
out=$(app - <<'S'
open c.txt
menu 1257
click 2186
field 2183 (a*)*\1b
click 2181
print alerts
print markup
S
)
[ "$out" = "$(printf 'stop: 正規表現が複雑すぎるため、検索を中止しました。\n0 3 aab')" ] || fail "mark too complex: $out"

# 7. Characters outside Shift_JIS are placeholders with their own Unicode
#    values in the text; a find string's placeholder is the character ◯
#    itself and matches only a real ◯, never one of them (a wildcard does).
printf 'one 한 😀 ◯ é one\n' > u.txt
out=$(app - <<'S'
open u.txt
menu 1201
field 2106 ◯
click 2101
print selection
menu 1202
print selection
menu 1201
click 2114
field 2106 [◯x]
click 2101
print selection
menu 1201
field 2106 . one$
click 2101
print selection
menu 1201
click 2114
field 2106 ◯
field 2107 X
click 2103
menu 1207
print text
S
)
[ "$out" = "$(printf '10 12\n10 12\n10 12\n13 18\none 한 😀 X é one')" ] || fail "placeholders: $out"
echo ok
