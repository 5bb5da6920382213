#!/usr/bin/env bash
# Pages that leave no room to write: a stored settings record with columns
# whose gaps fill the text area, with no paper, or with a text area turned
# inside out prints the whole text on pages of the paper in force (columns
# landed off the sheet, or a sheet of a point held a line); the custom
# form refuses a paper of its own size smaller than its margins and the
# least usable extent, with a beep.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
nonspace() { tr -d ' \n\f' | wc -c; }

python3 -c "
for i in range(96): print('%03d ' % i + 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU')" > t.txt
want=$(nonspace < t.txt)
# A settings record (little-endian in the container): wrap on, then the
# paper, text area, printable area, columns and gap.
record() {  # FILE PAPER-V PAPER-H TOP LEFT BOTTOM RIGHT COLUMNS GAP
  python3 - "$@" <<'P'
import struct, sys
a = [int(x) for x in sys.argv[2:]]
r = bytearray(40)
r[6] = 1
struct.pack_into("<hh4h4hhh", r, 10, a[0], a[1], *a[2:6], 0, 0, a[0], a[1], a[6], a[7])
open(sys.argv[1], "wb").write(bytes(r))
P
}
check() {  # NAME RECORD-ARGS...
  local name=$1
  shift
  "$bin/kxdoc" copy t.txt "$name.kxt" --layout container >/dev/null
  record "$name.bin" "$@"
  "$bin/kxres" put --container "$name.kxt" KXSR 1000 "$name.bin"
  out=$(app <<S
open $work/$name.kxt
print page
answer $work/$name.pdf
menu 9
S
)
  [ -s "$name.pdf" ] || { fail "$name: nothing printed: $out"; return; }
  local got pages
  got=$(pdftotext "$name.pdf" - | nonspace)
  pages=$(pdfinfo "$name.pdf" | sed -n 's/^Pages: *//p')
  [ "$got" = "$want" ] || fail "$name: $got of $want characters printed"
  [ "$pages" -le 3 ] || fail "$name: $pages pages for 96 lines: $out"
}
check columns 842 595 34 34 808 561 5 32767
check nopaper 0 0 0 0 0 0 1 0
check inverted 842 595 700 34 100 561 1 0
# The custom form: a paper of 10 mm by 10 mm, then one of 0 mm high.
out=$(app <<S
open $work/t.txt
menu 1932
choose 3808 1
choose 3809 13
field 3810 10
field 3811 10
click 3801
print page
print beeps
menu 1932
choose 3808 1
choose 3809 13
field 3810 0
field 3811 100
click 3801
print page
print beeps
S
)
mapfile -t lines <<<"$out"
case "${lines[0]}" in "paper 153 153 hard "*" margins 34 34 34 34 "*) ;; *) fail "10 mm paper: ${lines[0]}" ;; esac
[ "${lines[1]}" = "beeps 1" ] || fail "10 mm paper: no beep: ${lines[1]}"
case "${lines[2]}" in "paper 28"[34]" 153 hard "*" margins 34 34 34 34 "*) ;; *) fail "0 mm high paper: ${lines[2]}" ;; esac
[ "${lines[3]}" = "beeps 2" ] || fail "0 mm high paper: no beep: ${lines[3]}"

[ "$failures" = 0 ] || exit 1
echo "kxapp pages without room: ok"
