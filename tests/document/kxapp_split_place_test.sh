#!/usr/bin/env bash
# A new split pane opens on the place in the text the first pane shows, in
# both writing directions and after the first pane has scrolled: a click at
# each pane's first corner (top left, or top right for vertical columns)
# lands on the same line.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# 35 bytes a line.
for i in $(seq 0 199); do printf 'line %03d the quick brown fox jumps\n' "$i"; done > doc.txt

# The line of the caret a click left, from `print selection`.
line_of() { echo $(( ${1%% *} / 35 )); }

# Corner points inside a pane from its frame: `ID CLASS SHOWN L T R B`.
frame() { grep "^$1 " <<<"$2" | head -1; }

check() {   # NAME SCRIPT-BEFORE-SPLIT SPLIT-DRAG CORNER(left|right)
  local name=$1 pre=$2 split=$3 corner=$4 frames
  frames=$("$bin/kxapp" --prefs "$work/prefs" - <<S
open doc.txt
$pre
$split
print frames 1001
quit
S
)
  local f1 f2 x1 x2
  f1=($(frame 1001 "$frames")); f2=($(frame 1009 "$frames"))
  [ "${f2[2]:-0}" = 1 ] || fail "$name: no second pane: $frames"
  if [ "$corner" = right ]; then
    x1=$(( f1[5] - f1[3] - 3 )); x2=$(( f2[5] - f2[3] - 3 ))
  else
    x1=3; x2=3
  fi
  local out
  out=$("$bin/kxapp" --prefs "$work/prefs" - <<S
open doc.txt
$pre
$split
click 1001 $x1 3
print selection
click 1009 $x2 3
print selection
quit
S
)
  mapfile -t sel <<<"$out"
  local a b
  a=$(line_of "${sel[0]}"); b=$(line_of "${sel[1]}")
  [ "$a" = "$b" ] || fail "$name: the first pane starts on line $a, the new one on line $b"
  echo "$name: line $a"
}

check horizontal "" "drag 1006 3 3 3 300" left
check horizontal-scrolled "key pagedown
key pagedown" "drag 1006 3 3 3 300" left
check vertical "menu 1408" "drag 1006 3 8 600 8" right
check vertical-scrolled "menu 1408
key pagedown
key pagedown" "drag 1006 3 8 600 8" right
