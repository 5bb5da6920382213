#!/usr/bin/env bash
# kxapp: the application object from a script on the headless host: the
# open-documents event, typing and menu keys to the target, quitting with a
# save question, the last window closing, the menu listing and the
# driver's errors.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

printf 'hello\n' > a.txt
printf '\xa4\xb3\xa4\xf3\xa4\xcb\xa4\xc1\xa4\xcf\n' > euc.txt   # EUC-JP
printf '\x1b$B$3$s$K$A$O\x1b(B\n' > jis.txt                    # ISO-2022-JP

# 1. Files arrive as one event, front first; JIS and EUC-JP are detected
#    whatever the open dialog shows.
out=$(app - <<'S'
open a.txt euc.txt jis.txt
print windows
print text
S
)
[ "$out" = "$(printf 'jis.txt\neuc.txt\na.txt\nこんにちは\n')" ] || fail "open: $out"

# 2. Typing reaches the front document; Cmd+N makes a new one (the menu
#    key), Cmd+Shift+N falls back to it; the Window menu lists them.
out=$(app - <<'S'
open a.txt
type x
key n cmd
key n cmd+shift
print windows
print menus
S
)
grep -qx '名称未設定 2' <<<"$out" || fail "Cmd+Shift+N: $out"
grep -qx 'a.txt (modified)' <<<"$out" || fail "typing: $out"
grep -qx '  1610 a.txt \[Ctrl+1\] icon=45' <<<"$out" || fail "window menu: $(grep 1610 <<<"$out")"
grep -qx '  1612 名称未設定 2 \[Ctrl+3\] checked icon=44' <<<"$out" || fail "window menu: $(grep 1612 <<<"$out")"

# 3. A cancelled quit keeps everything; an answered one quits and ends the
#    script; the save writes the file. (A real document opens with the
#    caret at its start: the typing goes after the last line end.)
out=$(app - <<'S'
open a.txt
select 6 6
type y
answer cancel
quit
print windows
answer save
quit
print windows
S
)
[ "$out" = "a.txt (modified)" ] || fail "quit: $out"
[ "$(cat a.txt)" = "$(printf 'hello\ny')" ] || fail "saved text: $(cat a.txt)"

# 4. Closing the last window quits at the next idle turn.
out=$(app - <<'S'
menu 2
menu 4
idle 2
print windows
S
)
[ -z "$out" ] || fail "still running after the last window: $out"

# 5. The menu listing shows keys, the Ctrl names and enabling; every item
#    of the resources has a command or a submenu.
out=$(app --menus)
grep -qx '  2 新規 \[Ctrl+N\]' <<<"$out" || fail "--menus: new"
grep -qx '  28 やり直し \[Ctrl+Shift+Z\] (disabled)' <<<"$out" || fail "--menus: redo"
grep -qx '  1021 kxtext について(Web) (disabled)' <<<"$out" || fail "--menus: help without an address"

# 6. Errors: a bad step is exit 1 with its line; bad usage exit 2; a
#    disabled command is reported and skipped.
set +e
printf 'open a.txt\nfrobnicate\n' | app - 2>err.txt; st=$?
set -e
[ $st -eq 1 ] && grep -q 'line 2: unknown step frobnicate' err.txt || fail "bad step: $st $(cat err.txt)"
set +e; "$bin/kxapp" >/dev/null 2>&1; st=$?; set -e
[ $st -eq 2 ] || fail "usage: $st"
printf 'menu 8\n' | app - 2>err.txt || fail "disabled command"
grep -q 'command 8 is disabled' err.txt || fail "disabled command not reported"

# 7. The open dialog's choice arrives as an open event; a file already
#    open comes to the front instead of opening twice.
out=$(app - <<'S'
open a.txt euc.txt
answer a.txt
menu 3
print windows
S
)
[ "$out" = "$(printf 'a.txt\neuc.txt')" ] || fail "open dialog: $out"

# 8. The preferences are written where --prefs says.
[ -f "$work/prefs/preferences" ] || fail "no preference file in --prefs"
echo ok
