#!/usr/bin/env bash
# kxdraw --paper: whole sheets, one page with --page, and the errors of the
# page options: a page past the end, a template over 255 bytes, options of
# paper view without it, bad numbers.
set -u
bin="${KX_BIN_DIR:?}/kxdraw"
data="${KX_SOURCE_DIR:?}/tests/data/layout/paper"
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
size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }

# Six vertical sheets of 320 x 240 side by side, 6 apart, 6 of surround around.
check 0 "vertical manuscript" "$bin" --paper --boxes --form 2 --sheet 320,240 -o "$dir/v.png" "$data/manuscript.txt"
pages=$(size "$dir/v.png")
[ "$pages" = "$((6 * 320 + 5 * 6 + 12)) $((240 + 12))" ] || { echo "FAIL: six vertical sheets: $pages"; fail=1; }
check 0 "one page" "$bin" --paper --boxes --form 2 --sheet 320,240 --page 2 -o "$dir/p.png" "$data/manuscript.txt"
[ "$(size "$dir/p.png")" = "$((320 + 12)) $((240 + 12))" ] || { echo "FAIL: one sheet: $(size "$dir/p.png")"; fail=1; }
check 0 "horizontal at 50 %" "$bin" --paper --boxes --scale 50 --sheet 240,200 -o "$dir/h.png" "$data/letters.txt"
[ "$(size "$dir/h.png")" = "126 106" ] || { echo "FAIL: half scale: $(size "$dir/h.png")"; fail=1; }
check 1 "page past the end" "$bin" --paper --form 2 --sheet 320,240 --page 7 -o "$dir/x.png" "$data/manuscript.txt"
long=$(printf 'x%.0s' $(seq 1 256))
check 2 "template too long" "$bin" --paper --header "$long" -o "$dir/x.png" "$data/letters.txt"
check 0 "template of 255 bytes" "$bin" --paper --boxes --header "${long:1}" -o "$dir/x.png" "$data/letters.txt"
check 2 "form without --paper" "$bin" --form 2 -o "$dir/x.png" "$data/letters.txt"
check 2 "header without --paper" "$bin" --header x -o "$dir/x.png" "$data/letters.txt"
check 2 "paper without a file" "$bin" --paper --demo -o "$dir/x.png"
check 2 "form out of range" "$bin" --paper --form 8 -o "$dir/x.png" "$data/letters.txt"
check 2 "guide out of range" "$bin" --paper --guide 11 -o "$dir/x.png" "$data/letters.txt"
check 2 "page 0" "$bin" --paper --page 0 -o "$dir/x.png" "$data/letters.txt"
check 2 "sheet without a height" "$bin" --paper --sheet 240 -o "$dir/x.png" "$data/letters.txt"
check 1 "a sheet too long for an image" "$bin" --paper --boxes --sheet 100,32766 -o "$dir/x.png" "$data/manuscript.txt"

# The first sheet of a long text lies hundreds of thousands of points from
# the last: it draws as the first sheet of a short text with the same start.
python3 - "$dir" <<'PY'
import sys
words = ["\u3053\u308c\u306f", "\u65e5\u672c\u8a9e", "\u3002", "\u79c1\u306f"]
text = "".join(words[(i * 7) % 4] + ("\n" if i % 31 == 30 else "") for i in range(60000))
open(sys.argv[1] + "/long.txt", "w", encoding="utf-8").write(text)
open(sys.argv[1] + "/short.txt", "w", encoding="utf-8").write(text[:3000])
PY
for form in 2 4; do
  check 0 "long text, form $form" "$bin" --paper --boxes --form $form --page 1 -o "$dir/long$form.png" "$dir/long.txt"
  check 0 "short text, form $form" "$bin" --paper --boxes --form $form --page 1 -o "$dir/short$form.png" "$dir/short.txt"
  cmp -s "$dir/long$form.png" "$dir/short$form.png" || { echo "FAIL: form $form: the first sheet of a long text differs"; fail=1; }
done
exit $fail
