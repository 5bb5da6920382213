#!/usr/bin/env bash
# Printing leaves the window's view as it found it: scrolled off the first
# page in paper view (horizontal and vertical) or in the window's view, the
# text shows the same before the print and after it (it went blank, and the
# next page came back shifted sideways).
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

seq -f 'line %g abcdefghij' 300 > l300.txt
# The text pane's inside, scroll bars and status line left out: they are
# redrawn after the print dialog whatever the view did.
inside() { convert "$1" -crop 960x560+0+40 +repage -depth 8 rgb:"$1.rgb"; }
check() {  # NAME SETUP-STEPS
  local name=$1 setup=$2
  "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" - <<S >/dev/null
open $work/l300.txt
$setup
shot 1001 $work/$name-before.png
answer $work/$name.pdf
menu 9
shot 1001 $work/$name-after.png
menu 1222
menu 1223
shot 1001 $work/$name-again.png
S
  [ -s "$name.pdf" ] || { fail "$name: nothing printed"; return; }
  inside "$name-before.png"; inside "$name-after.png"; inside "$name-again.png"
  cmp -s "$name-before.png.rgb" "$name-after.png.rgb" || fail "$name: the view changed with the print"
  cmp -s "$name-before.png.rgb" "$name-again.png.rgb" || fail "$name: the page commands after the print moved the view"
}
check paper "menu 1407
menu 1223"
check paper3 "menu 1407
menu 1223
menu 1223"
check vertical "menu 1408
menu 1407
menu 1223"
check window "key pagedown
key pagedown"

[ "$failures" = 0 ] || exit 1
echo "kxapp printing keeps the view: ok"
