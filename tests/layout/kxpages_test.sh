#!/bin/bash
# kxpages: column-pages of a file under papers, margins, columns, forms and
# both writings; bad options and files give their exit status.
set -u
bin="${KX_BIN_DIR:?}/kxpages"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "expected:"; echo "$2"; echo "got:"; echo "$3"; fail=1
  fi
}

seq 1 130 >"$tmp/lines.txt"                         # 131 lines of 13 points
printf 'one\r\ntwo\n\x0c\nthree' >"$tmp/ff.txt"     # a form feed after line 2

# A4 with 34-point margins holds 774 / 13 = 59 lines.
check "A4" "$(printf '1 1 1 59 0 168\n2 1 60 118 168 364\n3 1 119 131 364 412')" "$("$bin" "$tmp/lines.txt")"
check "three columns" "$(printf '1 1 1 59 0 168\n1 2 60 118 168 364\n1 3 119 131 364 412')" \
  "$("$bin" --columns 3 --gap 20 "$tmp/lines.txt")"
check "form feed" "$(printf '1 1 1 3 0 10\n2 1 4 4 10 15')" "$("$bin" "$tmp/ff.txt")"
# A small paper: 100 - 20 = 80 points hold 6 lines a column.
check "small paper" "$(printf '1 1 1 6 0 12\n1 2 7 12 12 27\n2 1 13 18 27 45')" \
  "$("$bin" --paper 300,100 --margins 10,10,10,10 --columns 2 "$tmp/lines.txt" | head -3)"
# Vertical: the lines run along the paper's height, the columns across its width.
check "vertical" "$(printf '1 1 1 40 0 111\n2 1 41 80 111 231')" \
  "$("$bin" --vertical "$tmp/lines.txt" | head -2)"
# Built-in form 2 (vertical manuscript paper, 34-point line pitch with a centre gap).
out=$("$bin" --form 2 "$tmp/lines.txt")
check "form 2 first page" "1 1 1 20 0 51" "$(echo "$out" | head -1)"

"$bin" --columns 9 "$tmp/lines.txt" 2>/dev/null; check "bad columns" 2 $?
"$bin" --margins 1,2,3 "$tmp/lines.txt" 2>/dev/null; check "bad margins" 2 $?
"$bin" --margins 500,0,500,0 "$tmp/lines.txt" 2>"$tmp/err"; check "margins past the paper" 1 $?
check "one line of error" 1 "$(wc -l <"$tmp/err")"
"$bin" "$tmp/missing.txt" 2>/dev/null; check "missing file" 1 $?
exit $fail
