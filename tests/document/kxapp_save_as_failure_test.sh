#!/usr/bin/env bash
# A Save As the writer refuses says why, as a Save does: a text of more
# style runs than a file can hold named only an errno ("Value too large").
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/runs.rtf" <<'P'
import sys
open(sys.argv[1], "w").write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}" + "{\\b a}b" * 17000 + "}")
P
out=$(printf 'open %s\nanswer %s\nmenu 6\nprint alerts\n' "$work/runs.rtf" "$work/runs.txt" |
  "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" - 2>&1)
case $out in
  *"runs.txt"*"ファイルに入る数 (32767) を超えています"*) ;;
  *) echo "FAIL: Save As refusal: $out" >&2; exit 1 ;;
esac
echo "kxapp Save As failure says why: ok"
