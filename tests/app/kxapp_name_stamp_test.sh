#!/usr/bin/env bash
# The name stamp: Caps Lock with Control and Option turns command 1137 into
# its dialog; OK stores the text in the preferences and the Edit menu gains
# the item that pastes it, also at the next start; an empty field removes
# it; Cancel changes nothing; without that gesture 1137 opens the code
# table.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
paste_items() { sed -n '/その他のペースト/,/変換/p' <<<"$1" | grep -E '^ +11(38|39|40) ' || true; }

printf 'abc\n' > a.txt
out=$(app - <<S
open a.txt
print menus
keys capslock+control+option
menu 1137
field 3781 山田太郎
click 900
keys none
print menus
menu 1138
print text
menu 11
print text
print prefs
S
)
before=$(paste_items "$(sed -n '1,/^ヘルプ/p' <<<"$out")")
[ "$(grep -c . <<<"$before")" = 2 ] || fail "the date and time items are missing, or a name item shows without a stamp: $before"
grep -q '^ *1138 名前$' <<<"$out" || fail "OK did not add the name item: $out"
[ "$(grep -c '^  11 取り消し .*(disabled)$' <<<"$out")" = 2 ] || fail "typing in the dialog left a step in the text's undo: $out"
grep -q '^山田太郎abc$' <<<"$out" || fail "the name item did not paste the stamp: $out"
[ "$(grep -c '^abc$' <<<"$out")" = 1 ] || fail "undo did not take the pasted stamp back: $out"
grep -q '^NSPT = 8 bytes 8E52936391BE9859$' <<<"$out" || fail "the stamp is not in the preferences: $out"

# The next start shows the item; Cancel keeps the stamp; an empty field
# removes it.
out=$(app - <<S
open a.txt
print menus
keys capslock+control+option
menu 1137
print window 3781
field 3781 別名
click 901
menu 1138
print text
menu 1137
field 3781
click 900
keys none
print menus
print prefs
S
)
[ "$(grep -c '^ *1138 名前$' <<<"$out")" = 1 ] || fail "the stored stamp did not give the item at start, or an empty one kept it: $out"
grep -q '山田太郎' <<<"$(grep -a 3781 <<<"$out")" || fail "the dialog did not show the stored stamp: $out"
grep -q '^山田太郎abc$' <<<"$out" || fail "Cancel changed the stamp: $out"
! grep -q '^NSPT' <<<"$out" || fail "an empty field left a stamp in the preferences: $out"

# Without the gesture, and with Shift added to it, 1137 opens the code
# table.
for mods in none capslock+control+option+shift; do
  out=$(app - <<S
open a.txt
keys $mods
menu 1137
print windows
S
)
  grep -q '^文字コード表' <<<"$out" || fail "1137 with $mods did not open the code table: $out"
done

# The date and time items paste the view's date and time: the program's
# clock in the system's formats, as headers and macros give them.
out=$(app --clock 2024-03-05T09:07:03 - <<'S'
menu 2
menu 1139
type |
menu 1140
print text
S
)
[ "$out" = "Tue, Mar 5, 2024|09:07" ] || fail "date and time items: $out"
