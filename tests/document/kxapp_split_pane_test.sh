#!/usr/bin/env bash
# A split window's second pane is a full editor: after a click in it, typing
# there can be undone, and Save, Close and Quit stay enabled; a click back
# in the first pane takes the commands back, and the file saves.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

printf 'Hello world\n' > d.txt
out=$("$bin/kxapp" --prefs "$work/prefs" - <<'S'
open d.txt
drag 1006 8 3 8 300
type A
click 1009 50 5
type B
status 11
status 5
status 4
status 10
menu 11
print text
click 1001 5 5
type C
menu 5
quit
S
)
mapfile -t lines <<<"$out"
[[ ${lines[0]} == "1 0 "* ]] || fail "typing in the second pane cannot be undone: $out"
[ "${lines[1]}" = "1 0 " ] || fail "Save is disabled after a click in the second pane: $out"
[ "${lines[2]}" = "1 0 " ] || fail "Close is disabled after a click in the second pane: $out"
[ "${lines[3]}" = "1 0 " ] || fail "Quit is disabled after a click in the second pane: $out"
grep -q '^AHello world$' <<<"$out" || fail "undo in the second pane did not take its typing back: $out"
grep -Eq '^(CA|AC)Hello world$' d.txt || fail "the file was not saved from the first pane: $(cat d.txt)"
