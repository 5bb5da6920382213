#!/usr/bin/env bash
# kxdraw: the primitive sheet becomes a PNG of the sheet's size; a file and
# the demo are laid out and drawn (the image as wide as the layout, as long
# as the text); bad options answer exit 2.
set -u
bin="${KX_BIN_DIR:?}/kxdraw"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # expected-status description command...
  local want=$1 what=$2
  shift 2
  "$@" >"$dir/out" 2>"$dir/err"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, wanted $want"; cat "$dir/err"; fail=1
  fi
}
check 0 "toolkit sheet" "$bin" --toolkit -o "$dir/sheet.png"
size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(d[:8]==b"\x89PNG\r\n\x1a\n", *struct.unpack(">II", d[16:24]))' "$dir/sheet.png")
[ "$size" = "True 640 960" ] || { echo "FAIL: sheet is not a 640 x 960 PNG: $size"; fail=1; }
check 2 "no output" "$bin" --toolkit
check 2 "unknown option" "$bin" --toolkit --bogus -o "$dir/x.png"
check 2 "file and toolkit" "$bin" --toolkit -o "$dir/x.png" somefile
check 1 "missing file" "$bin" --width 300 -o "$dir/x.png" "$dir/nothing.txt"
printf 'one\ntwo\nthree\n' >"$dir/three.txt"
check 0 "three lines" "$bin" --width 300 -o "$dir/three.png" "$dir/three.txt"
read -r ok w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(d[:8]==b"\x89PNG\r\n\x1a\n", *struct.unpack(">II", d[16:24]))' "$dir/three.png")
{ [ "$ok" = True ] && [ "$w" = 300 ] && [ "$h" -gt 20 ]; } || { echo "FAIL: three lines: $ok $w $h"; fail=1; }
check 0 "vertical at 200 %" "$bin" --vertical --scale 200 --width 100 -o "$dir/v.png" "$dir/three.txt"
read -r ok w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(d[:8]==b"\x89PNG\r\n\x1a\n", *struct.unpack(">II", d[16:24]))' "$dir/v.png")
{ [ "$ok" = True ] && [ "$h" = 200 ]; } || { echo "FAIL: vertical: $ok $w $h"; fail=1; }
check 0 "demo" "$bin" --demo --ctrl -o "$dir/demo.png"
check 2 "demo and file" "$bin" --demo -o "$dir/x.png" "$dir/three.txt"
check 2 "page options without --paper" "$bin" --page 1 -o "$dir/x.png" "$dir/three.txt"
check 2 "bad scale" "$bin" --scale 0 -o "$dir/x.png" "$dir/three.txt"
check 1 "gtk without a display" env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --toolkit --gtk -o "$dir/x.png"
check 2 "screenshot without gtk" "$bin" --toolkit --screenshot "$dir/s.png" -o "$dir/x.png"
check 2 "hold that is no number" "$bin" --toolkit --gtk --hold 5x -o "$dir/x.png"
check 2 "negative hold" "$bin" --toolkit --gtk --hold -1 -o "$dir/x.png"
check 1 "unwritable output" "$bin" --toolkit -o "$dir/missing/x.png"
exit $fail
