#!/bin/bash
# kxdraw --print: the text printout's PDFs. Page counts and sizes against
# the page layout (kxpages), the text as pdftotext reads it, embedded fonts,
# and each page rendered at 72 dpi against the same page drawn in paper view
# (--paper --page N --boxes): the text area is the same pixels; the whole
# sheet differs only by what paper view adds (the sheet's frame, and the
# guide frame outside form 2), which this test counts.
set -u
bin="${KX_BIN_DIR:?}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "expected: $2"; echo "got: $3"; fail=1
  fi
}
pages_of() { pdfinfo "$1" | awk '/^Pages:/{print $2}'; }
size_of() { pdfinfo "$1" | awk '/^Page size:/{print $3" x "$5}'; }
layout_pages() { "$bin/kxpages" "$@" | awk '{print $1}' | sort -n | tail -1; }

printf 'Hello printing world.\nThe quick brown fox jumps over the lazy dog.\n' >"$tmp/en.txt"
for i in $(seq 1 150); do echo "Line $i of a text long enough to need several pages of paper."; done >"$tmp/long.txt"
for i in $(seq 1 40); do
  echo "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。"
done >"$tmp/ja.txt"

# Western and Japanese text come out in reading order, fonts embedded.
out=$("$bin/kxdraw" --print -o "$tmp/en.pdf" "$tmp/en.txt")
check "en: pages line" "pages 1" "$out"
check "en: text" "Hello printing world.
The quick brown fox jumps over the lazy dog." "$(pdftotext -layout "$tmp/en.pdf" - | tr -d '\f' | sed -e 's/ *$//' -e '/^$/d')"
check "en: sheet" "595 x 842" "$(size_of "$tmp/en.pdf")"
"$bin/kxdraw" --print -o "$tmp/ja.pdf" "$tmp/ja.txt" >/dev/null
text=$(pdftotext "$tmp/ja.pdf" - | tr -d '\n\f')
first=$(head -c 400 <<<"$text")
case "$first" in
  吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。吾輩は*) ;;
  *) echo "FAIL ja: text out of order: $first"; fail=1 ;;
esac
# Vertical writing too: upright glyphs and vertical forms carry their text.
printf '吾輩は猫である。名前はまだ無い。\n' >"$tmp/short.txt"
"$bin/kxdraw" --print --vertical -o "$tmp/v.pdf" "$tmp/short.txt" >/dev/null
check "vertical: text" "吾輩は猫である。名前はまだ無い。" "$(pdftotext "$tmp/v.pdf" - | tr -d '\n\f ')"
if pdffonts "$tmp/ja.pdf" | awk 'NR > 2 && $(NF-4) != "yes" {bad=1} END {exit bad}'; then :; else
  echo "FAIL ja: a font is not embedded"; pdffonts "$tmp/ja.pdf"; fail=1
fi

# Page counts as the layout has them: horizontal, vertical writing and
# the vertical manuscript form (whose sheet lies across).
for case in "long.txt|" "ja.txt|--vertical" "ja.txt|--form 2"; do
  file=${case%%|*}; opts=${case#*|}
  # shellcheck disable=SC2086
  out=$("$bin/kxdraw" --print --boxes $opts -o "$tmp/p.pdf" "$tmp/$file")
  # shellcheck disable=SC2086
  want=$(layout_pages $opts "$tmp/$file")
  check "$file $opts: pages line" "pages $want" "$out"
  check "$file $opts: PDF pages" "$want" "$(pages_of "$tmp/p.pdf")"
  sheet="595 x 842"; [ "$opts" = "--form 2" ] && sheet="842 x 595"
  check "$file $opts: sheet" "$sheet" "$(size_of "$tmp/p.pdf")"
  # Each page against paper view: the text area alone is exact, the sheet
  # differs by the frame (and the guide frame without a form).
  w=${sheet%% x *}; h=${sheet##* x }
  frame=$((2 * (w + h) - 4)); [ "$opts" = "--form 2" ] || frame=$((frame + 1303))
  for page in 1 2; do
    # shellcheck disable=SC2086
    "$bin/kxdraw" --paper --boxes $opts --page $page -o "$tmp/paper.png" "$tmp/$file"
    pdftoppm -r 72 -aa no -aaVector no -f $page -l $page -png "$tmp/p.pdf" "$tmp/printed"
    printed=$(ls "$tmp"/printed-*.png)
    convert "$tmp/paper.png" -crop "${w}x${h}+6+6" +repage -colorspace gray "$tmp/a.png"
    convert "$printed" -colorspace gray "$tmp/b.png"
    rm -f "$tmp"/printed-*.png
    sheet_diff=$(compare -metric AE "$tmp/a.png" "$tmp/b.png" null: 2>&1)
    check "$file $opts page $page: sheet differs by the frame" "$frame" "$sheet_diff"
    area="$((w - 70))x$((h - 70))+35+35"
    convert "$tmp/a.png" -crop "$area" +repage "$tmp/a2.png"
    convert "$tmp/b.png" -crop "$area" +repage "$tmp/b2.png"
    check "$file $opts page $page: text area" "0" "$(compare -metric AE "$tmp/a2.png" "$tmp/b2.png" null: 2>&1)"
  done
done

# --pages: clamped to the page count; a range without pages writes nothing.
total=$(layout_pages "$tmp/long.txt")
out=$("$bin/kxdraw" --print --pages 2,99 -o "$tmp/r.pdf" "$tmp/long.txt")
check "--pages clamped" "pages $((total - 1))" "$out"
check "--pages clamped: PDF" "$((total - 1))" "$(pages_of "$tmp/r.pdf")"
echo old >"$tmp/keep.pdf"
for range in "$((total + 1)),$((total + 3))" "3,2"; do
  out=$("$bin/kxdraw" --print --pages "$range" -o "$tmp/keep.pdf" "$tmp/long.txt" 2>/dev/null)
  status=$?
  check "--pages $range: output" "pages 0" "$out"
  check "--pages $range: status" "1" "$status"
  check "--pages $range: old file kept" "old" "$(cat "$tmp/keep.pdf")"
done

# A PDF that cannot be written: exit 1, nothing printed on stdout.
mkdir "$tmp/ro"
echo old >"$tmp/ro/out.pdf"
chmod 555 "$tmp/ro"
if [ -w "$tmp/ro" ]; then
  echo "skipping the unwritable folder case (running as a user who writes anyway)"
else
  out=$("$bin/kxdraw" --print -o "$tmp/ro/out.pdf" "$tmp/en.txt" 2>/dev/null)
  check "unwritable: status" "1" "$?"
  check "unwritable: no pages line" "" "$out"
  check "unwritable: old file" "old" "$(cat "$tmp/ro/out.pdf")"
fi
chmod 755 "$tmp/ro"
out=$("$bin/kxdraw" --print -o "$tmp/missing/dir/out.pdf" "$tmp/en.txt" 2>/dev/null)
check "no folder: status" "1" "$?"
check "no folder: no pages line" "" "$out"

# Usage: --pages needs --print; --print needs a file.
"$bin/kxdraw" --pages 1,2 -o "$tmp/x.png" "$tmp/en.txt" 2>/dev/null
check "usage: --pages without --print" "2" "$?"
"$bin/kxdraw" --print --demo -o "$tmp/x.pdf" 2>/dev/null
check "usage: --print --demo" "2" "$?"

exit $fail
