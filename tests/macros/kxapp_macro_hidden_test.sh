#!/usr/bin/env bash
# A macro whose header hides it stays out of the macro menu, as soon as it
# is stored and after a restart, while the other macros keep their commands
# and the macro dialog still lists every macro; showing it again brings it
# back.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
# The items of the macro menu after its fixed ones (enabled or not).
macro_items() {
  awk '/^マクロ \(239\)/ {f = 1; next} /^[^ ]/ {f = 0} f && /^  115[0-9] / {sub(/ \(disabled\)$/, ""); print}' <<<"$1"
}

printf '\x02\x00\x01A' > ma   # text "A"
printf '\x02\x00\x01B' > mb   # text "B"
printf 'doc\n' > doc.txt

out=$(app - <<S
open doc.txt
menu 1148
answer $work/ma
click 3311
answer $work/mb
click 3311
choose 3302 3
click 3305
click 3310
print macros
print menus
menu 4
menu 1151
print text
menu 1149
print cells 2364
S
)
grep -qx '1 ma 1600040100000002000141' <<<"$out" || fail "hidden flag not stored: $out"
[ "$(macro_items "$out")" = "  1151 mb" ] || fail "menu after storing: $(macro_items "$out")"
grep -qx 'Bdoc' <<<"$out" || fail "macro 2 did not run as 1151: $out"
grep -qx '1 - - ma' <<<"$out" && grep -qx '2 - - mb' <<<"$out" || fail "dialog list: $out"

out=$(app - <<S
open doc.txt
print menus
S
)
[ "$(macro_items "$out")" = "  1151 mb" ] || fail "menu after a restart: $(macro_items "$out")"

out=$(app - <<S
open doc.txt
menu 1148
choose 3302 3
click 3305
click 3310
print menus
S
)
[ "$(macro_items "$out")" = "$(printf '  1150 ma\n  1151 mb')" ] || fail "menu after showing: $(macro_items "$out")"
echo ok
