#!/bin/bash
# kxedit over a headless edit object: typing, keys, selections and clicks
# against expected output; errors give one line and their exit status.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "expected:"; echo "$2"; echo "got:"; echo "$3"; fail=1
  fi
}

printf 'abc\r\n\xe3\x81\x82\xe3\x81\x84 words\nlast' >"$tmp/in.txt"  # UTF-8, CR LF and LF

out=$("$bin" "$tmp/in.txt" - <<'S'
# the caret moves with typing and keys
select 3 3
type XY
key left shift
print selection
key backspace
key q control
key c control
type 漢字
key return
print text
print lines
S
)
check "typing and keys" "$(printf '4 5\nabcX\n\xe3\x81\x82\xe3\x81\x84 words\nlast\xe6\xbc\xa2\xe5\xad\x97\n\n0 13\n5 13\n16 13\n25 13')" "$out"

# Characters outside Shift_JIS stay on their own places after dropped line feeds.
printf 'a\r\nb\xf0\x9f\x98\x80\r\n\r\nc\xf0\x9f\x98\x80x\xe2\x82\xac\r\n' >"$tmp/sides.txt"
out=$("$bin" "$tmp/sides.txt" - <<<'print text')
check "side characters after CR LF" "$(printf 'a\nb\xf0\x9f\x98\x80\n\nc\xf0\x9f\x98\x80x\xe2\x82\xac\n')" "$out"

out=$("$bin" --width 60 --rules 1 --wordwrap "$tmp/in.txt" - <<'S'
print lines
click 14 20 2
print selection
S
)
check "narrow, word wrap, double click" "$(printf '0 13\n4 13\n9 13\n15 13\n4 8')" "$out"

out=$("$bin" --vertical --width 60 "$tmp/in.txt" - <<'S'
key down
key down
print selection
S
)
check "vertical: down moves along the column" "2 2" "$out"

"$bin" "$tmp/in.txt" - <<<'select 0 999' 2>"$tmp/err"; rc=$?
check "offset outside the text" "1 1" "$rc $(wc -l <"$tmp/err")"
"$bin" "$tmp/in.txt" - <<<'save' 2>"$tmp/err"; rc=$?
check "later steps" "2 kxedit: line 1: save: not supported yet" "$rc $(cat "$tmp/err")"
"$bin" "$tmp/in.txt" - <<<'undo now' 2>/dev/null; rc=$?
check "undo takes no arguments" "1" "$rc"
out=$("$bin" "$tmp/in.txt" - <<<$'undo\nredo\nprint selection')
check "undo and redo with nothing done" "0 0" "$out"
"$bin" --rules 7 "$tmp/in.txt" 2>/dev/null; rc=$?
check "bad usage" "2" "$rc"
# A font the box fonts lack comes from the installed ones; one nowhere is
# a usage error.
"$bin" --font "IPAGothic" "$tmp/in.txt" - <<<'print selection' >/dev/null 2>&1; rc=$?
check "an installed font" "0" "$rc"
"$bin" --font "No Such Family" "$tmp/in.txt" - <<<'print selection' >/dev/null 2>&1; rc=$?
check "a font nowhere" "2" "$rc"
"$bin" "$tmp/missing.txt" 2>/dev/null; rc=$?
check "missing file" "1" "$rc"
exit $fail
