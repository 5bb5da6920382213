#!/usr/bin/env bash
# Go to Page makes the page it shows the current one, so that Next and
# Previous Page go on from it, in both writings; and a window that loses
# and regains the front (another program, a dialog) keeps its text where
# it was. Each switch scrolled the text up a step: after the dialog the
# view's top sat in the page before, which then counted as current.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
# The current page, as the go-to-page dialog shows it.
page_step='menu 1221
print window 2303
click 2302'
pages_of() { sed -n 's/^2303 field 1 1 [0-9-]* //p' <<<"$1" | tr '\n' ' '; }

python3 -c "
with open('lines.txt', 'w') as f:
    for i in range(1, 3001): f.write('L%05d あいう\n' % i)"

for writing in horizontal vertical; do
  turn=$([ $writing = vertical ] && echo "menu 1408" || echo "# horizontal")
  out=$(app <<S
open $work/lines.txt
menu 1407
$turn
menu 1221
field 2303 10
click 2301
$page_step
menu 1222
$page_step
menu 1223
menu 1223
$page_step
menu 1221
field 2303 3
click 2301
menu 1223
$page_step
S
)
  [ "$(pages_of "$out")" = "10 9 11 4 " ] ||
    fail "$writing: go to 10, previous, next twice, go to 3, next: $(pages_of "$out")"
done

# The same place of the text under the same point before and after the
# window went to the back and came forward, and after a dialog (paper
# view, where Go to Page is offered).
out=$(app <<S
open $work/lines.txt
menu 1407
key end cmd
click 1001 100 200
print selection
background on
background off
background on
background off
click 1001 100 200
print selection
$page_step
$page_step
click 1001 100 200
print selection
S
)
mapfile -t at < <(grep -E '^[0-9]+ [0-9]+$' <<<"$out")
[ "${#at[@]}" = 3 ] && [ "${at[0]}" = "${at[1]}" ] && [ "${at[0]}" = "${at[2]}" ] ||
  fail "a click at the same point after switching windows: ${at[*]}"

[ "$failures" = 0 ] || exit 1
echo "kxapp go to page and window switches: ok"
