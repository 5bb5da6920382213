#!/bin/bash
# kxedit's clipboard steps: copy puts every flavor of the selection on the
# clipboard (printed in hexadecimal by `clipboard TYPE`), paste reads it
# back with its runs, and `paste-file FILE` drops a file at the selection.
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

printf 'ab\xe3\x81\x82\ncd' >"$tmp/in.txt"
printf 'one\r\ntwo' >"$tmp/drop.txt"

out=$("$bin" "$tmp/in.txt" - <<'S'
select 0 4
copy
clipboard TEXT
clipboard utxt
clipboard styl
clipboard zzzz
select 7 7
paste
print text
S
)
# TEXT is the Shift_JIS bytes, utxt UTF-16 in host order; no style runs
# were set, so "styl" is the one run of the default style at 0 (font 1,
# size 12); an absent flavor prints nothing.
check "copy and paste" "$(printf '61 62 82 a0\n61 00 62 00 42 30\n00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 0c 00 00 00 00 00 00\n\nab\xe3\x81\x82\ncdab\xe3\x81\x82')" "$out"

out=$("$bin" "$tmp/in.txt" - <<S
select 2 4
paste-file $tmp/drop.txt
print text
undo
print text
S
)
check "paste-file" "$(printf 'abone\ntwo\ncd\nab\xe3\x81\x82\ncd')" "$out"

"$bin" "$tmp/in.txt" - >/dev/null 2>"$tmp/err" <<S
paste-file $tmp/missing.txt
S
check "paste-file of a missing file" "1 kxedit: line 1: paste-file: no such file $tmp/missing.txt" "$? $(cat "$tmp/err")"

"$bin" "$tmp/in.txt" - >/dev/null 2>"$tmp/err" <<'S'
clipboard TOOLONG
S
check "clipboard with a bad type" "1" "$?"
exit $fail
