#!/usr/bin/env bash
# Fixed pitches larger than the page: the custom-form dialog holds the line
# pitch and the character pitch to the usable height and column width, so
# that one line and one character fit, and a stored document whose form
# asks for more prints its text all the same. Both printed only blank
# pages.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
# The characters of a text or a PDF, white space left out, sorted.
chars() {
  python3 - "$1" <<'P'
import subprocess, sys
path = sys.argv[1]
if path.endswith(".pdf"):
    text = subprocess.run(["pdftotext", path, "-"], capture_output=True, check=True).stdout.decode()
else:
    text = open(path, "rb").read().decode("cp932")
print("".join(sorted(c for c in text if not c.isspace())))
P
}
same_chars() {  # TEXT PDF WHAT
  [ -s "$2" ] || { fail "$3: no PDF"; return; }
  [ "$(chars "$1")" = "$(chars "$2")" ] || fail "$3: the PDF does not hold the text: $(chars "$2")"
}

python3 -c 'open("t.txt", "wb").write("L1 あい\nL2 かき\n".encode("cp932"))'

# The dialog: 500 mm of line pitch and 400 mm of character pitch on A4.
out=$(app <<S
open $work/t.txt
menu 1932
choose 3827 1
field 3828 500
choose 3829 1
field 3830 400
print window 3828
click 3801
answer $work/dialog.pdf
menu 9
S
)
# The per-page counts beside the pitches: one line, one character.
grep -qx '3868 caption 1 1 0 1' <<<"$out" || fail "dialog: lines a page: $(grep '^3868 ' <<<"$out")"
grep -qx '3870 caption 1 1 0 1' <<<"$out" || fail "dialog: characters a line: $(grep '^3870 ' <<<"$out")"
same_chars t.txt dialog.pdf "dialog"

# A stored document whose form (little-endian in the container) fixes a
# line pitch of 1417 points and a character pitch of 1134 on A4.
"$bin/kxdoc" copy t.txt doc.kxt --layout container
python3 - <<'P'
import struct
def record(form_id, fixed, line, char):
    r = bytearray(64)
    struct.pack_into("<7h", r, 0, form_id, 0, 842, 595, 34, 34, 34)
    struct.pack_into("<3h", r, 14, 34, 0, 1)
    r[30] = r[31] = fixed
    struct.pack_into("<2h", r, 34, line, char)
    return bytes(r)
open("form.bin", "wb").write(record(1, 1, 1417, 1134) + record(0, 0, 0, 0))
P
"$bin/kxres" put --container doc.kxt KXSR 1003 form.bin
app <<S >/dev/null
open $work/doc.kxt
answer $work/stored.pdf
menu 9
S
same_chars t.txt stored.pdf "stored form"

# A smaller paper under a form that fitted the old one.
app <<S >/dev/null
open $work/t.txt
menu 1932
choose 3827 1
field 3828 250
click 3801
pagesetup 300 300 10
menu 8
answer $work/paper.pdf
menu 9
S
same_chars t.txt paper.pdf "paper changed under the form"

[ "$failures" = 0 ] || exit 1
echo "kxapp fixed pitches larger than the page: ok"
