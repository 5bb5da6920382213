#!/usr/bin/env bash
# The Unicode bridge on 50 MB of Japanese text: the plain part (Shift_JIS to
# UTF-16) against iconv -f CP932 -t UTF-16LE on the same file, with the
# ratio our time / iconv's time (goal: 1.5 or less); then the styled text
# with 100,000 side entries and 10,000 runs to UTF-16 and back.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
kxunicode="$bin/kxunicode"
sample="${KX_SHARED_DIR:-$here/../shared}/data/aozora/notation-examples.sjis.txt"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

repeat "$sample" $((50 * 1024 * 1024)) "$tmp/in.sjis"
iconv -f CP932 -t UTF-16LE "$tmp/in.sjis" > "$tmp/iconv.u16"
"$kxunicode" plain "$tmp/in.sjis" "$tmp/ours.u16"
cmp -s "$tmp/iconv.u16" "$tmp/ours.u16" || echo "unicode: warning: our UTF-16 differs from iconv's"
ours=$(best "$kxunicode" plain "$tmp/in.sjis" "$tmp/ours.u16")
theirs=$(best sh -c 'iconv -f CP932 -t UTF-16LE "$1" > "$2"' sh "$tmp/in.sjis" "$tmp/iconv.u16")
echo "Shift_JIS -> UTF-16, $(stat -c %s "$tmp/in.sjis") bytes: kxunicode ${ours}s, iconv ${theirs}s," \
  "ratio $(ratio "$ours" "$theirs")"
rm -f "$tmp/iconv.u16" "$tmp/ours.u16"
"$kxunicode" styled "$tmp/in.sjis" 100000 10000
