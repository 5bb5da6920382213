#!/usr/bin/env bash
# An RTF file copied by kxdoc into a document of ours records the page the
# program's own save of it records: the paper, text area, columns and gap,
# the header and footer (the printer's hard margins are the program's
# alone), in both layouts; opened, it shows that page.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
kxapp() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
# The page part of a file's settings.
page() {
  "$bin/kxdoc" dump "$1" | sed -nE \
    -e 's/^KXSR .*(paper [0-9]+ [0-9]+ text-area [-0-9 ]+) print-area .*(columns [0-9]+ gap [0-9]+) .*/\1 \2/p' \
    -e '/^KXSR (header|footer) /p'
}
# The paper and margins a file opens with.
opened() {
  printf 'open %s\nprint page\n' "$1" | kxapp | sed -nE 's/^(paper [0-9]+ [0-9]+) hard [-0-9 ]+ (margins [-0-9 ]+) pages .*/\1 \2/p'
}

printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Times;}}\\paperw12000\\paperh16000\\margl1440\\margr1440\\margt2000\\margb2000{\\header \\pard\\qc HEADTEXT\\par}{\\footer \\pard\\qr FOOTTEXT\\par}\\pard Hello world\\par Second\\par}' > hf.rtf
printf '{\\rtf1\\ansi\\paperw16838\\paperh11906\\margl2000\\margr1000\\margt1500\\margb1000\\cols3\\colsx400\\headery600 {\\header \\qr Page \\chpgn\\par}\\pard Body\\par}' > cols.rtf

for name in hf cols; do
  kxapp >/dev/null <<S
open $work/$name.rtf
answer $work/$name-program.txt
menu 6
S
  want=$(page "$name-program.txt")
  grep -q '^paper ' <<<"$want" || fail "$name: the program saved no page: $("$bin/kxdoc" dump "$name-program.txt")"
  "$bin/kxdoc" copy "$name.rtf" "$name-classic.txt"
  "$bin/kxdoc" copy "$name.rtf" "$name-container.KXT" --layout container
  for copy in classic.txt container.KXT; do
    got=$(page "$name-$copy")
    [ "$got" = "$want" ] || fail "$name-$copy: got [$got] want [$want]"
  done
  # Opened, the copy is on the RTF file's page (the hard margins are the
  # printer's).
  shown=$(opened "$work/$name.rtf")
  [ "$(opened "$work/$name-container.KXT")" = "$shown" ] ||
    fail "$name: the copy opens on another page than the RTF file's ($shown)"
done

echo ok
