#!/usr/bin/env bash
# Every window and dialog layout the program ships builds in kxlayout with
# the program's own pane classes, and a dialog built there takes typing
# and clicks: the driver once knew only the lower areas' classes and
# refused most dialogs.
set -euo pipefail
bin=${KX_BIN_DIR:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

built=0
for f in "$root"/resources/layouts/*.txt; do
  id=$(basename "$f" .txt)
  # The printout view and the alerts are not windows of their own.
  kind=$(awk '!/^#/ && NF { print $1; exit }' "$f")
  case $kind in kxpr|alrt) continue ;; esac
  "$bin/kxlayout" "$id" -o "$work/$id.png" > "$work/$id.out" 2>&1 </dev/null ||
    fail "layout $id ($kind) did not build: $(tail -1 "$work/$id.out")"
  [ -s "$work/$id.png" ] || fail "layout $id drew nothing"
  built=$((built + 1))
done
[ "$built" -ge 40 ] || fail "only $built layouts found"

printf 'click 100 20\ntype 漢字abc\nclick 250 107\n' > "$work/find.txt"
out=$("$bin/kxlayout" 2100 --script "$work/find.txt" -o "$work/find.png")
grep -qxF 'field 2106: 漢字abc (value100 0)' <<<"$out" || fail "the find field: $(grep '^field 2106' <<<"$out")"
grep -qxF 'control 2114: 1' <<<"$out" || fail "the regular-expression box: $(grep '^control 2114' <<<"$out")"
echo ok
