#!/usr/bin/env bash
# kxdraw --print --gtk: the GTK print operation's PDF export has the same
# pages, sheet and text as the headless PDF, honours --pages, and leaves an
# old file alone when the range is empty.
set -u
bin="${KX_BIN_DIR:?}/kxdraw"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "expected: $2"; echo "got: $3"; fail=1
  fi
}
for i in $(seq 1 150); do echo "Line $i of a text long enough to need several pages of paper."; done >"$dir/long.txt"
for i in $(seq 1 30); do echo "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"; done >"$dir/ja.txt"
for case in "long.txt|" "ja.txt|--form 2"; do
  file=${case%%|*}; opts=${case#*|}
  # shellcheck disable=SC2086
  headless=$("$bin" --print $opts -o "$dir/h.pdf" "$dir/$file")
  # shellcheck disable=SC2086
  gtk=$("$bin" --print --gtk $opts -o "$dir/g.pdf" "$dir/$file")
  check "$file $opts: pages line" "$headless" "$gtk"
  check "$file $opts: PDF pages" "$(pdfinfo "$dir/h.pdf" | grep '^Pages:')" "$(pdfinfo "$dir/g.pdf" | grep '^Pages:')"
  check "$file $opts: sheet" "$(pdfinfo "$dir/h.pdf" | grep '^Page size:')" "$(pdfinfo "$dir/g.pdf" | grep '^Page size:')"
  check "$file $opts: text" "$(pdftotext "$dir/h.pdf" -)" "$(pdftotext "$dir/g.pdf" -)"
done
out=$("$bin" --print --gtk --pages 2,3 -o "$dir/r.pdf" "$dir/long.txt")
check "--pages" "pages 2" "$out"
check "--pages: PDF" "Pages:           2" "$(pdfinfo "$dir/r.pdf" | grep '^Pages:')"
echo old >"$dir/keep.pdf"
out=$("$bin" --print --gtk --pages 40,50 -o "$dir/keep.pdf" "$dir/long.txt" 2>/dev/null)
check "empty range: status" "1" "$?"
check "empty range: output" "pages 0" "$out"
check "empty range: old file" "old" "$(cat "$dir/keep.pdf")"
exit $fail
