#!/usr/bin/env bash
# Vertical writing starts at the view's right edge, and stays there when the
# text gains or loses columns: a Return at the start (one more column) and
# the line numbers shown (shorter columns, more of them) or hidden again
# keep the first column under the right edge, where a click lands in it.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
check() { [ "$2" = "$3" ] || { echo "FAIL: $1: got '$2', want '$3'"; fail=1; }; }
python3 -c "open('many.txt','wb').write(''.join('%03d行目のテキスト\r' % i for i in range(1, 121)).encode('cp932'))"
out=$("$bin/kxapp" --prefs "$work/p1" - <<S
open $work/many.txt
menu 1408
key return
click 1001 955 30
print selection
S
)
check "a Return at the start: the new first column at the right edge" "$out" "0 0"
out=$("$bin/kxapp" --prefs "$work/p2" - <<S
open ${KX_SHARED_DIR:?}/realdata/aozora/oto.sjis.txt
menu 1408
menu 1402
click 1001 940 30
print selection
menu 1402
click 1001 940 30
print selection
S
)
check "line numbers on, then off: the first column at the right edge" "$(tr '\n' '|' <<<"$out")" "9 9|9 9|"
exit $fail
