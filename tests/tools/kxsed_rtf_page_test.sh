#!/usr/bin/env bash
# An RTF file through the stream editor keeps its page: kxsed's output and
# a target the stream editor window overwrites open with the paper,
# margins, columns, header and footer the file had, and the edit made.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
kxapp() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
# The page line, the header's and footer's texts and alignments, and the
# text of a file as the program opens it.
opened() {
  kxapp <<S | grep -E '^paper |^2804 |^2812 |Bye|Hello' || true
open $1
print page
menu 1412
print window 2804
click 2802
menu 1413
print window 2804
click 2802
print text
S
}

printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Times;}}\\paperw12000\\paperh16000\\margl1440\\margr1440\\margt2000\\margb2000\\cols2\\colsx720{\\header \\pard\\qc HEADTEXT\\par}{\\footer \\pard\\qr FOOTTEXT\\par}\\pard Hello world\\par Second\\par}' > hf.rtf
want=$(opened "$work/hf.rtf" | sed 's/Hello/Bye/')
grep -q '^paper 600 800 .* margins 100 72 100 72 ' <<<"$want" || fail "the program reads another page: $want"
grep -qx '2804 field 1 1 0 HEADTEXT' <<<"$want" || fail "the program reads no header: $want"

# kxsed -o: the edit, with the file's page.
"$bin/kxsed" --styled -e 's/Hello/Bye/' -o sed.rtf hf.rtf
got=$(opened "$work/sed.rtf")
[ "$got" = "$want" ] || fail "kxsed lost the page: got [$got] want [$want]"
grep -q '\\cols2\\colsx720' sed.rtf || fail "kxsed lost the columns: $(cat sed.rtf)"

# The window, its target overwritten in place.
mkdir win
cp hf.rtf win/
kxapp >/dev/null <<S
menu 1228
choose 3911 1
folder 3934 $work/win
choose 3932 1
field 3916 Hello
field 3919 Bye
choose 3941 3
click 3901
S
got=$(opened "$work/win/hf.rtf")
[ "$got" = "$want" ] || fail "the window lost the page: got [$got] want [$want]"

echo ok
