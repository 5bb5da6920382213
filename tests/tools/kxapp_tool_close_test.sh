#!/usr/bin/env bash
# File > Close (command 4, Ctrl+W) while a file tool is in front: enabled,
# and it closes that tool window as its close box does; the document behind
# it stays open. (What the stream editor keeps on closing is checked in
# sed_window_kxapp_test.py.)
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C
mkdir -p "$HOME"
printf 'hello\n' > "$work/x.txt"
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

# The file browser, the file search and the stream editor, by the menu
# command and by its key.
for tool in 1004 1210 1228; do
  for close in "menu 4" "key w cmd"; do
    out=$(app - <<S
open $work/x.txt
menu $tool
status 4
$close
print windows
print text
S
)
    want=$(printf '1 0 \nx.txt\nhello\n')
    [ "$out" = "$want" ] || fail "tool $tool, $close: $out"
  done
done

echo ok
