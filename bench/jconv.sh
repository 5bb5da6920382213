#!/usr/bin/env bash
# Shift_JIS -> EUC-JP of 50 MB with kxjconv against iconv on the same file,
# and detection of 100 MB (UTF-8, which is validated to its end, against
# iconv checking the same file; and Shift_JIS, which detection judges by
# its first part). Prints our time / iconv's time; the goal is 1.0 or less.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
kxjconv="$bin/kxjconv"
sample="${KX_SHARED_DIR:-$here/../shared}/data/aozora/notation-examples.sjis.txt"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT




repeat "$sample" $((50 * 1024 * 1024)) "$tmp/in.sjis"
iconv -f CP932 -t EUC-JP "$tmp/in.sjis" > "$tmp/iconv.euc"
"$kxjconv" --from sjis --to euc "$tmp/in.sjis" "$tmp/ours.euc" 2> /dev/null
cmp -s "$tmp/iconv.euc" "$tmp/ours.euc" || echo "jconv: warning: our EUC-JP differs from iconv's"
ours=$(best "$kxjconv" --from sjis --to euc "$tmp/in.sjis" "$tmp/ours.euc")
theirs=$(best sh -c 'iconv -f CP932 -t EUC-JP "$1" > "$2"' sh "$tmp/in.sjis" "$tmp/iconv.euc")
echo "Shift_JIS -> EUC-JP, $(stat -c %s "$tmp/in.sjis") bytes: kxjconv ${ours}s, iconv ${theirs}s, ratio $(ratio "$ours" "$theirs")"

iconv -f CP932 -t UTF-8 "$sample" > "$tmp/sample.utf8"
repeat "$tmp/sample.utf8" $((100 * 1024 * 1024)) "$tmp/in.utf8"
rm -f "$tmp/in.sjis" "$tmp/iconv.euc" "$tmp/ours.euc"
ours=$(best "$kxjconv" --detect "$tmp/in.utf8")
theirs=$(best iconv -f UTF-8 -t UTF-8 "$tmp/in.utf8")
echo "detection of UTF-8, $(stat -c %s "$tmp/in.utf8") bytes: kxjconv ${ours}s, iconv validating ${theirs}s, ratio $(ratio "$ours" "$theirs")"
rm -f "$tmp/in.utf8"

repeat "$sample" $((100 * 1024 * 1024)) "$tmp/big.sjis"
ours=$(best "$kxjconv" --detect "$tmp/big.sjis")
echo "detection of Shift_JIS, $(stat -c %s "$tmp/big.sjis") bytes: kxjconv ${ours}s (reading the file included)"
