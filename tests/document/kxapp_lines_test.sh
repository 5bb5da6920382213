#!/usr/bin/env bash
# The go-to-line and mark dialogs through kxapp: the name proposed from the
# selection or the word at the caret (empty for a selection that starts
# with a control character or holds more than 255 bytes), an empty name
# beeps and keeps the dialog, several marks deleted at once, a line past
# the last goes to the last, 0 changes nothing.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
long=$(printf 'x%.0s' $(seq 1 300))
out=$("$bin/kxapp" --prefs "$work/prefs" - <<S
menu 2
type one
key tab
type two words
key return
type $long
select 3 7
menu 1220
print window 2355
click 2352
select 8 8
menu 1220
print window 2355
click 2351
select 0 3
menu 1220
click 2351
select 4 7
menu 1220
field 2355 x
key backspace
click 2351
print beeps
print windows
click 2352
select 14 314
menu 1220
print window 2355
field 2355 x
click 2351
print marks
menu 1220
choose 2354 1 3
print window 2353
click 2353
print marks
select 0 0
menu 1211
print window 2203
field 2203 99
click 2201
print selection
select 0 0
menu 1213
print selection
select 2 2
menu 1211
field 2203 0
click 2201
print selection
quit
answer dont-save
S
)
field() { printf '%s\n' "$out" | grep '^2355 ' | sed -n "$1p"; }
[ "$(field 1)" = "2355 field 1 1 0" ] || fail "a selection starting with a tab: $out"
[ "$(field 2)" = "2355 field 1 1 0 words" ] || fail "the word at the caret: $out"
[ "$(printf '%s\n' "$out" | grep '^beeps')" = "beeps 1" ] || fail "an empty name: $out"
grep -qx 'マーク' <<<"$out" || fail "the dialog closed on an empty name: $out"
[ "$(field 3)" = "2355 field 1 1 0" ] || fail "a selection over 255 bytes: $out"
marks=$(printf '%s\n' "$out" | grep -E '^[0-9]+ [0-9]+ [0-9]+ ' || true)
[ "$(printf '%s\n' "$marks" | head -3 | cut -d' ' -f1,2,4 | tr '\n' '|')" = "0 3 one|8 8 words|14 314 x|" ] || fail "marks: $out"
[ "$(printf '%s\n' "$out" | grep '^2353 ' | tail -1)" = "2353 button 1 1 0 削除" ] || fail "delete with rows chosen: $out"
[ "$(printf '%s\n' "$marks" | tail -1 | cut -d' ' -f1,2,4)" = "8 8 words" ] || fail "rows 1 and 3 deleted: $out"
[ "$(printf '%s\n' "$out" | grep '^2203 ')" = "2203 field 1 1 100 1" ] || fail "the caret's line: $out"
jumps=$(printf '%s\n' "$out" | grep -E '^[0-9]+ [0-9]+$' | tr '\n' '|')
last=$(printf '%s' "$jumps" | cut -d'|' -f2)
[ "$jumps" = "$last|$last|2 2|" ] && [ "${last%% *}" -ge 14 ] || fail "jumps: $jumps"
# Lines past 99999: every digit counts (line 120000 is not line 12000).
seq -f 'line %g' 1 150000 > long.txt
out=$("$bin/kxapp" --prefs "$work/prefs" - <<S
open $work/long.txt
menu 1211
field 2203 120000
click 2201
print selection
S
)
want=$(head -n 119999 long.txt | wc -c)
[ "$out" = "$want $want" ] || fail "line 120000: $out, want $want"
echo ok
