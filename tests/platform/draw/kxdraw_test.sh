#!/usr/bin/env bash
# kxdraw: the primitive sheet becomes a PNG of the sheet's size; what is not
# built yet answers exit 2, as do bad options; --gtk without a display fails.
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
check 2 "file layout not built yet" "$bin" --width 300 -o "$dir/x.png" somefile
check 1 "gtk without a display" env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --toolkit --gtk -o "$dir/x.png"
check 2 "screenshot without gtk" "$bin" --toolkit --screenshot "$dir/s.png" -o "$dir/x.png"
check 2 "hold that is no number" "$bin" --toolkit --gtk --hold 5x -o "$dir/x.png"
check 2 "negative hold" "$bin" --toolkit --gtk --hold -1 -o "$dir/x.png"
check 1 "unwritable output" "$bin" --toolkit -o "$dir/missing/x.png"
exit $fail
