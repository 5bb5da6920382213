#!/usr/bin/env bash
# What typing redraws in the real program's window is what a whole redraw
# of the window shows, in the normal view and on paper: lines erased in the
# paper's own colour (not in what the panes drawn last left in the port),
# and drawn where they are seen. Only the caret, which a whole redraw
# leaves hidden, may differ.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
command -v compare >/dev/null || { echo "compare missing (scripts/setup installs imagemagick)"; exit 1; }
printf 'hello world\nsecond line\n' > t.txt
fail=0
for view in normal paper; do
  paper=$([ $view = paper ] && echo "menu 1407" || echo "# the normal view")
  cat > script.txt <<S
open t.txt
$paper
key home
type ABCD
key return
type xyz
shot 1002 typed.png
menu 1407
menu 1407
shot 1002 whole.png
S
  "$bin/kxapp" --prefs "$work/prefs-$view" script.txt > /dev/null
  differ=$(compare -metric AE typed.png whole.png /dev/null 2>&1 || true)
  if ! [ "$differ" -le 40 ] 2>/dev/null; then
    echo "FAIL: $view view: typing left $differ pixels unlike a whole redraw"
    fail=1
    if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp typed.png "$KX_SHOT_DIR/$view-typed.png" && cp whole.png "$KX_SHOT_DIR/$view-whole.png"; fi
  fi
done
[ $fail -eq 0 ] && echo ok
exit $fail
