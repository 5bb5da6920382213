#!/usr/bin/env bash
# Paper view and printing lay the lines out at the page's column width, not
# at the window's: every character of the text reaches the PDF, in both
# writings, on one page and on several, with paper view on and off, and
# paper view keeps the pages it had whatever was shown before. The page
# commands go to the page asked for: next page after next page, the last
# page, and the first page in vertical writing with page 1 in sight.
set -euo pipefail
bin=${KX_BIN_DIR:?}
shared=${KX_SHARED_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }

# The characters of a text file (Shift_JIS or ASCII) and of a PDF, white
# space left out, sorted: vertical pages read out of order, but every
# character must be there exactly as often as in the text.
chars() {
  python3 - "$1" <<'P'
import subprocess, sys
path = sys.argv[1]
if path.endswith(".pdf"):
    text = subprocess.run(["pdftotext", path, "-"], capture_output=True, check=True).stdout.decode()
else:
    text = open(path, "rb").read().decode("cp932", errors="strict")
print("".join(sorted(c for c in text if not c.isspace())))
P
}
same_chars() {  # TEXT PDF WHAT
  [ -s "$2" ] || { fail "$3: no PDF"; return; }
  [ "$(chars "$1")" = "$(chars "$2")" ] || fail "$3: the PDF does not hold every character of the text"
}
# The current page, as the go-to-page dialog shows it.
page_step='menu 1221
print window 2303
click 2302'
page_of() { sed -n 's/^2303 field 1 1 [0-9-]* //p' <<<"$1"; }

# One long paragraph of numbered words and a short one: lines wrapped at a
# window wider than the column lost their right part on paper.
python3 -c "print(' '.join('w%03d' % i for i in range(1, 400))); print('Second paragraph short.')" > en.txt
app <<S >/dev/null
open $work/en.txt
answer $work/en.pdf
menu 9
menu 1407
answer $work/en-paper.pdf
menu 9
S
same_chars en.txt en.pdf "horizontal, window view"
same_chars en.txt en-paper.pdf "horizontal, paper view"

# Vertical writing: one page (it printed shifted off the sheet) and several.
python3 - "$shared/realdata/aozora/oto.sjis.txt" <<'P'
import sys
text = open(sys.argv[1], "rb").read().decode("cp932")
open("v1.txt", "wb").write(text[:300].encode("cp932"))
open("v3.txt", "wb").write(text[:4000].encode("cp932"))
P
for name in v1 v3; do
  out=$(app <<S
open $work/$name.txt
menu 1408
print page
answer $work/$name.pdf
menu 9
menu 1407
answer $work/$name-paper.pdf
menu 9
S
)
  pages=${out##* pages }
  if [ "$name" = v1 ]; then [ "$pages" = 1 ] || fail "v1 is one page: $out"; fi
  if [ "$name" = v3 ]; then [ "$pages" -ge 2 ] || fail "v3 is several pages: $out"; fi
  same_chars $name.txt $name.pdf "vertical $name, window view"
  same_chars $name.txt $name-paper.pdf "vertical $name, paper view"
done
# The one page lies on the right of the sheet, where vertical text starts.
pdftoppm -r 20 -png v1.pdf v1 >/dev/null 2>&1 || true
if [ -s v1-1.png ]; then
  # Mean brightness of each half: the ink darkens the right one.
  left=$(convert v1-1.png -crop 50%x100%+0+0 +repage -format '%[fx:mean]' info:)
  right=$(convert v1-1.png -gravity east -crop 50%x100%+0+0 +repage -format '%[fx:mean]' info:)
  python3 -c "import sys; sys.exit(0 if float('$right') < float('$left') else 1)" ||
    fail "the one vertical page is not on the right half of the sheet (brightness $left left, $right right)"
fi

# Paper view keeps the column's pages after the window's view (the page
# layout dialog's OK lays the text out in the column).
shayo=$shared/realdata/aozora/shayo.sjis.txt
out=$(app <<S
open $shayo
menu 1411
click 2701
menu 1407
print page
menu 1407
menu 1407
print page
S
)
mapfile -t lines <<<"$out"
[ "${lines[0]}" = "${lines[1]}" ] || fail "paper view off and on changed the pages: $out"

# A new paper outside paper view leaves the window's lines at the window's
# width, as paper view off leaves them.
out=$(app <<S
open $shayo
pagesetup 500 700 20
menu 8
print page
menu 1407
menu 1407
print page
S
)
mapfile -t lines <<<"$out"
[ "${lines[0]}" = "${lines[1]}" ] || fail "a page setup laid the window's lines out in the column: $out"

# Page commands, horizontal: next page twice, last page, first page.
out=$(app <<S
open $shayo
menu 1407
print page
menu 1223
menu 1223
menu 1223
$page_step
menu 1225
$page_step
menu 1224
$page_step
S
)
count=$(sed -n 's/^paper .* pages //p' <<<"$out")
mapfile -t pages < <(page_of "$out")
[ "${pages[*]}" = "4 $count 1" ] || fail "next page x3, last page, first page: ${pages[*]} of $count"

# Vertical: the first page brings page 1 back into the view, not page 2.
out=$(app <<S
open $shared/realdata/aozora/oto.sjis.txt
menu 1407
menu 1408
menu 1223
$page_step
menu 1224
$page_step
click 1001 900 100
print selection
S
)
mapfile -t pages < <(page_of "$out")
[ "${pages[0]:-}" = 2 ] && [ "${pages[1]:-}" = 1 ] || fail "vertical next page, first page: ${pages[*]}"
# A click near the view's right edge lands in page 1's first lines.
read -r at _ < <(grep -E '^[0-9]+ [0-9]+$' <<<"$out")
[ "${at:-99999}" -lt 200 ] || fail "vertical first page: page 1 is not at the view's right (a click there gave $at)"

# Vertical: the last page can be reached (the view turned about the text
# alone stopped two pages short): a click at the view's left lands in it.
out=$(app <<S
open $shared/realdata/aozora/oto.sjis.txt
menu 1407
menu 1408
menu 1225
click 1001 300 100
print selection
S
)
read -r at _ < <(grep -E '^[0-9]+ [0-9]+$' <<<"$out")
[ "${at:-0}" -gt 10000 ] || fail "vertical last page: a click at the view's left gave $at"

# Typing at the end in paper view keeps the caret in sight: the view may
# scroll down to the last sheet, not only to the text's height without the
# sheets' margins and gaps (a click low in the view lands near the end).
seq -f 'line %g' 1 300 > l300.txt
out=$(app <<S
open $work/l300.txt
menu 1407
key end cmd
type ZZZZ
click 1001 40 570
print selection
S
)
read -r at _ <<<"$out"
[ "${at:-0}" -gt 2500 ] || fail "paper view at the end: a click low in the view gave $at"

[ "$failures" = 0 ] || exit 1
echo "kxapp paper view and printing: ok"
