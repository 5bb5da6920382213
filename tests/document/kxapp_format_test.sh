#!/usr/bin/env bash
# The font-size dialog and the colour picker through kxapp: sizes 1 and
# 5000 apply, 0 and 5001 change nothing, each change is one undo step; the
# colour chooser starts from the selection's colour and its answer lands
# on the selection, a cancel changes nothing.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# A style run: offset, height, ascent, font, face, filler, size, R G B.
size() { cut -d' ' -f7; }
out=$("$bin/kxapp" --prefs "$work/prefs" - <<'S'
menu 2
type abcdef
select 0 3
menu 303
print window 2403
field 2403 0
click 2401
print styles
menu 303
field 2403 5001
click 2401
print styles
menu 303
field 2403 5000
click 2401
print styles
menu 303
field 2403 1
click 2401
print styles
menu 11
print styles
menu 303
field 2403 30
click 2402
print styles
answer cancel
menu 1309
print styles
answer colour 65535 0 0
menu 1309
print styles
menu 11
print styles
quit
answer dont-save
S
)
runs=$(printf '%s\n' "$out" | grep -E '^0 ')
[ "$(printf '%s\n' "$out" | grep '^2403 ')" = "2403 field 1 1 1200 12" ] || fail "the size shown: $out"
[ "$(printf '%s\n' "$runs" | size | tr '\n' ' ')" = "12 12 5000 1 5000 5000 5000 5000 5000 " ] || fail "sizes: $runs"
[ "$(printf '%s\n' "$runs" | sed -n 8p | cut -d' ' -f8-10)" = "65535 0 0" ] || fail "colour: $runs"
[ "$(printf '%s\n' "$runs" | sed -n 7p | cut -d' ' -f8-10)" = "0 0 0" ] || fail "a cancelled colour: $runs"
[ "$(printf '%s\n' "$runs" | sed -n 9p | cut -d' ' -f8-10)" = "0 0 0" ] || fail "the colour undone: $runs"
echo ok
