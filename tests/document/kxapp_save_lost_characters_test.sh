#!/usr/bin/env bash
# A character JIS or EUC-JP cannot hold, saved into a plain text file of
# it, is told as lost and written as a question mark: the file stays
# readable by other programs (a raw placeholder byte made iconv refuse the
# whole JIS or EUC-JP file). What the encoding holds, and the
# JIS X 0212 characters EUC-JP writes in their own code, are unchanged
# (elsewhere such a character keeps its own placeholder, ◯).
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

for enc in EUC-JP:EUC-JP-MS ISO-2022-JP:ISO-2022-JP; do
  name=${enc%%:*} peer=${enc##*:}
  printf '日本語のテキストです。\n' | iconv -f UTF-8 -t "$peer" > f.txt
  out=$(app - <<S
open $work/f.txt
select 0 0
type ü½丂x
menu 5
print alerts
S
)
  lost=3
  [ "$name" = EUC-JP ] && lost=1
  [[ $out == *"note: ${lost}文字"* ]] || fail "$name: the loss is not told as $lost: $out"
  back=$(iconv -f "$peer" -t UTF-8 f.txt) || fail "$name: other programs cannot read the file: $(xxd f.txt | head -n 2)"
  if [ "$name" = EUC-JP ]; then want='ü?丂x日本語'; else want='??◯x日本語'; fi
  [[ $back == "$want"* ]] || fail "$name: read back as $back"
done
