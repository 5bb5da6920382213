#!/usr/bin/env bash
# Shift_JIS -> EUC-JP and UTF-8 of 50 MB with kxjconv against iconv and cp,
# and detection of 100 MB (UTF-8, which is validated to its end, against
# iconv checking the same file; and Shift_JIS, which detection judges by
# its first part). Prints our time / iconv's time and / cp's, with peak
# memory.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
kxjconv="$bin/kxjconv"
sample="${KX_SHARED_DIR:-$here/../shared}/data/aozora/notation-examples.sjis.txt"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

repeat "$sample" $((50 * 1024 * 1024)) "$tmp/in.sjis"
insize=$(stat -c %s "$tmp/in.sjis")
# glibc's EUC-JP-MS is the fair peer: its plain SHIFT_JIS route is far slower.
for to in euc utf8; do
  if [ "$to" = euc ]; then peer=EUC-JP-MS; else peer=UTF-8; fi
  iconv -f CP932 -t "$peer" "$tmp/in.sjis" > "$tmp/iconv.out"
  "$kxjconv" --from sjis --to "$to" "$tmp/in.sjis" "$tmp/ours.out" 2> /dev/null
  cmp -s "$tmp/iconv.out" "$tmp/ours.out" || echo "jconv: note: our $to differs from iconv's $peer (table choices)"
  outsize=$(stat -c %s "$tmp/ours.out")
  # Processor time and peak memory from GNU time; wall times from `best`,
  # whose clock reads nanoseconds where GNU time's reads hundredths (cp's
  # 0.01 or 0.02 s would halve or double the ratio). Every run writes over
  # an output already there, ours and cp's alike.
  cp "$tmp/in.sjis" "$tmp/copy.out"
  read -r _ oc om <<< "$(usage "$kxjconv" --from sjis --to "$to" "$tmp/in.sjis" "$tmp/ours.out")"
  ow=$(best "$kxjconv" --from sjis --to "$to" "$tmp/in.sjis" "$tmp/ours.out")
  iw=$(best sh -c 'exec iconv -f CP932 -t "$3" "$1" > "$2"' sh "$tmp/in.sjis" "$tmp/iconv.out" "$peer")
  cw=$(best cp "$tmp/in.sjis" "$tmp/copy.out")
  echo "Shift_JIS -> $to, $insize bytes: kxjconv ${ow}s (cpu ${oc}s, peak ${om} KiB), iconv -t $peer ${iw}s, cp ${cw}s"
  echo "  ratio to iconv $(ratio "$ow" "$iw") (goal 0.5 or less), to cp $(ratio "$ow" "$cw") (goal 4 or less)," \
       "peak / (input + output) $(awk -v m="$om" -v a="$insize" -v b="$outsize" 'BEGIN { printf "%.2f", m * 1024 / (a + b) }') (goal 2 or less)"
done
rm -f "$tmp/iconv.out" "$tmp/ours.out" "$tmp/copy.out"

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
