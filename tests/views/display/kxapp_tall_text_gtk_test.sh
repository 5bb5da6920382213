#!/usr/bin/env bash
# kxapp --gtk over a text whose image passes 32767 pixels: in a real GTK
# window a click near the end lands on the line under the mouse, and a
# selection there is drawn.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
command -v compare >/dev/null || { echo "compare missing (scripts/setup installs imagemagick)"; exit 1; }
seq -f 'line %g' 1 3000 > t.txt
cat > script.txt <<'S'
open t.txt
key end cmd
click 1001 20 100
print selection
select 28700 28760
shot 1001 selected.png
select 100 100
shot 1001 plain.png
quit
S
fail=0
out=$("$bin" --prefs "$dir/prefs" --gtk script.txt 2> err.txt) || { echo "FAIL: exit $? $(cat err.txt)"; exit 1; }
read -r click _ <<< "$out"
line=$(head -c "${click:-0}" t.txt | tr -cd '\n' | wc -c | awk '{print $1 + 1}')
# The last lines fill the window: the click is among them, never on the
# line 32767 pixels down (about 2731).
if [ "$line" -lt 2900 ] || [ "$line" -gt 3000 ]; then
  echo "FAIL: the click at the end selected offset $click, line $line"
  fail=1
fi
n=$(compare -metric AE selected.png plain.png /dev/null 2>&1 || true)
[ "$n" -gt 20000 ] 2>/dev/null || { echo "FAIL: the selection at the end changed $n pixels"; fail=1; }
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp selected.png "$KX_SHOT_DIR/"; fi
exit $fail
