#!/usr/bin/env bash
# Vertical writing in the real window: the line-number margin runs over the
# scroll bar and the ruler's corner, where its button stands, and the ruler
# starts under it; each number stands over its own column at 100 and 200 %;
# turned back to horizontal, the margin keeps no button. An underlined run
# shows its line in vertical writing; the line menus name their kinds.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
# Ten lines "N行目" in Shift_JIS.
for n in 1 2 3 4 5 6 7 8 9 10; do printf '%s\x8d\x73\x96\xda\r' "$n"; done > ten.txt

out=$(app - <<'S'
open ten.txt
menu 1408
menu 1402
print frames 1001
shot 1001 v100.png
menu 1431
shot 1001 v200.png
menu 1426
menu 1408
shot 1001 h.png
print frames 1001
S
)
frame() { echo "$out" | awk -v id="$1" -v n="$2" '$1 == id { k++; if (k == n) print $4, $5, $6, $7 }'; }
read -r tl tt tr tb <<<"$(frame 1001 1)"
read -r rl rt rr rb <<<"$(frame 1002 1)"
read -r ml mt mr mb <<<"$(frame 1003 1)"
[ "$mr" = "$rr" ] || fail "the margin ends at the window's right edge: $out"
[ "$rt" = "$mb" ] || fail "the ruler starts under the margin: $out"
[ "$tt" = "$mb" ] || fail "the text starts under the margin: $out"

# Ink columns of a shot: the x ranges with dark pixels in rows FROM..TO,
# right to left, left of X.
inks() {
  convert "$1" -crop "$(($4))x$(($3 - $2))+0+$2" -colorspace Gray -depth 8 gray:- |
    python3 -c '
import sys
w = int(sys.argv[1]); data = sys.stdin.buffer.read(); h = len(data) // w
cols = [any(data[y * w + x] < 128 for y in range(h)) for x in range(w)]
runs, x = [], w - 1
while x >= 0:
    if cols[x]:
        e = x
        while x >= 0 and cols[x]: x -= 1
        runs.append((x + 1, e))
    x -= 1
print(" ".join("%d-%d" % r for r in runs))' "$4"
}
# Numbers (rows 2..mb-2) against the characters of the first three columns
# (rows just under the margin): each number's middle inside its column.
for shot in v100.png v200.png; do
  nums=$(inks "$shot" 2 $((mb - 2)) "$tr")
  text=$(inks "$shot" $((mb + 2)) $((mb + 60)) "$tr")
  python3 - "$nums" "$text" <<'P' || fail "$shot: numbers $nums over columns $text"
import sys
# (The margin's frame lines are one pixel wide; digits are wider.)
nums = [(a, b) for a, b in (map(int, r.split("-")) for r in sys.argv[1].split()) if b > a]
cols = [tuple(map(int, r.split("-"))) for r in sys.argv[2].split()]
assert len(nums) >= 3 and len(cols) >= 3
for (a, b), (l, r) in zip(nums[:3], cols[:3]):
    assert l - 2 <= (a + b) / 2 <= r + 2, (a, b, l, r)
P
done
# Horizontal again: no button frame runs down the margin's right part.
read -r hl ht hr hb <<<"$(frame 1003 2)"
tall=$(convert h.png -crop "20x$((hb - ht - 4))+18+$((ht + 2))" -colorspace Gray -depth 8 gray:- |
  python3 -c '
import sys
d = sys.stdin.buffer.read(); h = len(d) // 20
print(max(sum(d[y * 20 + x] < 128 for y in range(h)) for x in range(20)) * 2 > h)')
[ "$tall" = "False" ] || fail "a button stays in the horizontal margin"

# Underline in vertical writing: the shot differs from the plain one.
printf '\x89\xba\x90\xfcabc\x91\xbe\x8e\x9a\r' > t.txt
app - <<'S'
open t.txt
menu 1408
select 9 9
shot 1001 plain.png
select 0 7
menu 404
select 9 9
shot 1001 under.png
S
differ=$(compare -metric AE plain.png under.png /dev/null 2>&1 || true)
[ "${differ%% *}" != "0" ] || fail "no underline drawn in vertical writing"
# The line and position menus name what their commands set: kind 2 is the
# double line, 3 the thick one, 5 emphasis dots; 1303 the horizontal group.
menus=$(printf 'print menus\n' | app -)
for want in '1323 上線 二重線' '1334 下線 太線' '1331 取り消し線 傍点' '1303 縦中横'; do
  grep -q "^ *$want\b" <<<"$menus" || fail "menu label $want"
done
echo PASS
