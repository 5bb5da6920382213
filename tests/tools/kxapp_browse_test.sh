#!/usr/bin/env bash
# The file browser in the real program through kxapp: where it starts, the
# folder step, the file list and its preview, opening only on a double
# click, the information dialog's rename, and the folder path kept across
# runs (also when its folder has gone).
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C
mkdir -p "$HOME/Desktop/inbox" "$work/tree/sub" "$work/tree/  ^"
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

t="$work/tree"
printf '\xe6\x97\xa5\xe6\x9c\xac\r\nabc\n' > "$t/u.txt"        # 日本 in UTF-8
printf '\xc6\xfc\xcb\xdc\r\nabc\n' > "$t/e.txt"                # the same in EUC-JP
printf 'x' > "$t/B.txt"; printf 'y' > "$t/.dot.txt"; mkfifo "$t/pipe.txt"
ln -s loop "$t/loop"; printf 'desk' > "$HOME/Desktop/note.txt"

# 1. A new browser starts at the home folder; the top lists the root, the
#    home folder and the desktop's folders, and shows the desktop's files.
out=$(app - <<'S'
menu 1004
print items 3103
print cells 3104
menu 1004
choose 3103 5
print cells 3104
print cells 3106
S
)
home_items=$(printf '%s\n' "$work/home" | tr '/' '\n' | grep -v '^$' | tac | nl -w1 -s' ' | head -20)
expected="$(printf '%s\n' "$home_items" | sed -n 1p)"
[ "$(head -1 <<<"$out")" = "$expected" ] || fail "start: $out"
grep -qx "1 - 2 /" <<<"$out" || fail "top: root: $out"
grep -qx "2 - 2 home" <<<"$out" || fail "top: home: $out"
grep -qx "3 - 4 inbox" <<<"$out" || fail "top: desktop folder: $out"
grep -qx "1 \* 5 note.txt" <<<"$out" || fail "top: desktop file: $out"

# 2. The folder step; the file list by name; the preview decodes as opening
#    does; a folder that cannot be entered fails the step.
out=$(app - <<S
menu 1004
folder 3104 $t
print cells 3104
print cells 3106
choose 3107 1
choose 3106 3
print preview 3109
choose 3106 2
print preview 3109
S
)
[ "$out" = "$(printf '1 - 4   ^\n2 - 4   ^\n3 - 4 sub\n1 * 5 B.txt\n2 - 5 e.txt\n3 - 5 u.txt\nTEXT 9\n日本\nabc\nTEXT 9\n日本\nabc')" ] \
  || fail "tree: $out"
printf 'menu 1004\nfolder 3104 %s/none\n' "$t" | app - 2>err.txt && fail "a missing folder was entered"
grep -q "cannot enter" err.txt || fail "missing folder: $(cat err.txt)"

# 3. Extending the selection only previews; a double click opens the first
#    selected file.
out=$(app - <<S
menu 1004
folder 3104 $t
choose 3106 1 2 3
print windows
open 3106
print windows
S
)
[ "$out" = "$(printf 'ファイルブラウザ\nB.txt\nファイルブラウザ')" ] || fail "open: $out"

# 4. Renaming onto an existing name beeps and leaves both files.
out=$(app - <<S
menu 1004
folder 3104 $t
choose 3106 2
click 3102
field 3154 u.txt
click 900
print beeps
print cells 3106
S
)
[ "$out" = "$(printf 'beeps 1\n1 - 5 B.txt\n2 * 5 e.txt\n3 - 5 u.txt')" ] || fail "rename: $out"
[ "$(od -An -tx1 "$t/e.txt" | tr -d ' \n')" = "c6fccbdc0d0a6162630a" ] || fail "renamed over"

# 5. Quitting keeps the folder path; a path whose folder has gone shows
#    the path with only the parent entry.
printf 'menu 1004\nfolder 3104 %s/sub\nquit\n' "$t" | app - >/dev/null
out=$(printf 'menu 1004\nprint items 3103\n' | app - | sed -n 1,2p)
[ "$out" = "$(printf '1 sub\n2 tree')" ] || fail "kept path: $out"
rmdir "$t/sub"
out=$(printf 'menu 1004\nprint cells 3104\nprint cells 3106\n' | app -)
[ "$out" = "1 - 4   ^" ] || fail "gone folder: $out"
out=$(printf 'menu 1004\nprint items 3103\n' | app - | sed -n 1p)
[ "$out" = "1 sub" ] || fail "gone folder's path: $out"

# 6. Back in the browser after a document was saved into its folder, the
#    list holds the new file and the selection stays; a name that is no
#    UTF-8 shows with a mark for its bad bytes.
mkdir -p "$work/fresh"
printf 'a' > "$work/fresh/a.txt"; printf 'c' > "$work/fresh/c.txt"; printf 'x' > "$work/fresh/x$(printf '\xff')y.txt"
out=$(app - <<S
menu 1004
folder 3104 $work/fresh
choose 3106 2
menu 2
type hello
answer $work/fresh/b.txt
menu 6
menu 1004
print cells 3106
S
)
[ "$out" = "$(printf '1 - 5 a.txt\n2 - 5 b.txt\n3 * 5 c.txt\n4 - 5 x〓y.txt')" ] || fail "back in the browser: $out"

# 7. A file renamed while a window shows it: the window takes the new name
#    and its next save writes the renamed file; no file comes back under
#    the old name.
mkdir -p "$work/rn"
echo original > "$work/rn/a.txt"
out=$(app - <<S
open $work/rn/a.txt
menu 1004
folder 3104 $work/rn
choose 3106 1
click 3102
field 3154 renamed.txt
click 900
menu 1610
type EDITED
menu 5
idle 3
print windows
S
)
grep -qx "renamed.txt" <<<"$out" || fail "renamed window: $out"
[ ! -e "$work/rn/a.txt" ] || fail "the old name came back: $(cat "$work/rn/a.txt")"
grep -q "EDITED" "$work/rn/renamed.txt" || fail "renamed file: $(cat "$work/rn/renamed.txt")"

# 8. A window on another hard link of the renamed file keeps its name.
mkdir -p "$work/rn2"
echo original > "$work/rn2/a.txt"
ln "$work/rn2/a.txt" "$work/rn2/h.txt"
out=$(app - <<S
open $work/rn2/h.txt
menu 1004
folder 3104 $work/rn2
choose 3106 1
click 3102
field 3154 z.txt
click 900
print windows
S
)
grep -qx "h.txt" <<<"$out" || fail "the link's window followed the rename: $out"
[ -e "$work/rn2/z.txt" ] || fail "not renamed: $(ls "$work/rn2")"
echo ok
