#!/usr/bin/env bash
# The tool palette and the function-key bar in the real program: commands
# 1501 and 1502 with their check marks, the bar's labels following the
# modifier keys, the palette's copy button, the preferences keeping both
# and the program bringing them back at start, and the screen's width
# class.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/$P" "$@"; }
printf 'hello world\n' > doc.txt

# 1. Shift+F5 bound to New through the key settings; the bar shows eight
#    keys, F5 empty until Shift is held, and again after it is released.
out=$(P=p1 app - <<'S'
open doc.txt
menu 1503
click 2987
click 3000
menu 2
click 2901
status 1502
menu 1502
status 1502
print fkeys
keys shift
idle 8
print fkeys
keys none
idle 8
print fkeys
S
)
grep -qx '1 0 .*' <<<"$(sed -n 1p <<<"$out")" || fail "1502 checked before the bar: $out"
grep -q '^1 18 ' <<<"$out" || fail "1502 not checked with the bar: $out"
[ "$(grep -c '^fkeys 8 ' <<<"$out")" = 3 ] || fail "eight keys: $out"
grep -q '^fkeys 8 1$' <<<"$out" || fail "Shift did not change the plane: $out"
shifted=$(sed -n '/^fkeys 8 1$/,/^fkeys 8 0$/p' <<<"$out")
grep -Eq '^F5 [0-9]+ 0 [0-9]+ [0-9]+ 2 新規$' <<<"$shifted" || fail "F5 with Shift: $shifted"
last=$(sed -n '/^fkeys 8 0$/,$p' <<<"$out" | tail -9)
grep -Eq '^F5 [0-9]+ 0 [0-9]+ [0-9]+ 0$' <<<"$last" || fail "F5 after release: $last"

# 2. The program ends with the bar open: the preferences keep it shown
#    and it comes back at start, on the bottom edge, with the palette the
#    factory settings show; closing either stores that, and the next start
#    leaves both closed.
P=p2 app - >/dev/null <<'S'
menu 1502
quit
S
out=$(P=p2 app - <<'S'
print floats
print toolprefs
menu 1502
menu 1501
print toolprefs
S
)
[ "$(sed -n 1,4p <<<"$out")" = "palette 1 0 0 1024 28
fkeys 1 2 750 642 768
palette 1
fkeys 1 2 750 642 768" ] || fail "not back at start: $out"
[ "$(sed -n 5,6p <<<"$out")" = "palette 0
fkeys 0 2 750 642 768" ] || fail "closing did not store 0 and the bounds: $out"
out=$(P=p2 app - <<'S'
print floats
S
)
[ -z "$out" ] || fail "closed palettes came back: $out"

# 3. A 640 x 480 screen: the palette's small class, the find button
#    falling back, Shift on button 5; the copy button copies the selection
#    and the document keeps the target.
out=$(P=p3 app --screen 640,480 - <<'S'
open doc.txt
type Z
menu 11
print toolbar
keys shift
print toolbar
keys none
select 0 5
click 4001 140 10
print clipboard
type X
print text
menu 1502
print floats
S
)
grep -q '^toolbar horizontal 640 22 0$' <<<"$out" || fail "small class: $out"
grep -q '^10 198 0 242 22 1201 1$' <<<"$out" || fail "button 10 falls back to 1201: $out"
# Nothing left to undo, a redo waiting: Shift turns button 5 into redo.
[ "$(grep '^5 ' <<<"$out" | tr '\n' ' ')" = "5 93 0 115 22 11 0 5 93 0 115 22 28 1 " ] ||
  fail "button 5 with and without Shift: $out"
grep -q '^hello$' <<<"$out" || fail "copy: $out"
grep -q '^X world' <<<"$out" || fail "the text did not keep the keys: $out"
grep -Eq '^fkeys 1 2 46[0-9] [0-9]+ 480$' <<<"$out" || fail "the bar on a 480 px screen: $out"

echo ok
