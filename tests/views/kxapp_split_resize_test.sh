#!/usr/bin/env bash
# A window resize replaces the window's backing store. In a split window
# whose lower pane holds the caret, zooming back to the user's size resizes
# the upper pane first and drives the shared engine while the lower pane is
# momentarily outside the window: the caret the engine blinks then must go
# to the new store, not the freed one (an address-sanitizer build aborts on
# that). Whether the caret is drawn at that moment depends on its blink
# phase, so the same session runs after idles that fall on both phases.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
python3 -c "
import sys
sys.stdout.write(''.join('行 %04d 日本語のテキスト the quick brown fox\n' % i for i in range(400)))
" > doc.txt
for idle in 0 1 2 3 4 5; do
  # A fresh preference folder each time: the window's saved size would
  # change what the zoom does.
  if ! out=$("$bin/kxapp" --prefs "$work/prefs$idle" - 2>"$work/err" <<S
open $work/doc.txt
drag 1006 8 3 8 230
drag 1006 8 3 8 252
key / cmd
click 1009 578 32
menu 1401
drag 1006 8 3 8 152
idle $idle
key / cmd
type x
print windows
S
  ); then
    echo "FAIL: zoom back after $idle idles: kxapp failed"
    grep -m 5 -E 'ERROR|#[0-9] ' "$work/err" || true
    fail=1
    continue
  fi
  [ "$out" = "doc.txt (modified)" ] || { echo "FAIL: zoom back after $idle idles: '$out'"; fail=1; }
done
exit $fail
