#!/bin/bash
# kxedit's tell steps: the English specifiers resolve to the ranges they
# name, get and set reach the element (not the selection), bad values and
# unknown forms are errors on stderr with exit 1.
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

printf 'The quick fox.\n\xe3\x81\x82\xe3\x81\x84 lazy dog.\nEnd' >"$tmp/in.txt"

out=$("$bin" "$tmp/in.txt" - <<'S'
tell word 2 of text
tell characters 2 thru 5 of paragraph 1
tell every word of paragraph 2 whose text = "lazy"
tell last paragraph
tell insertion point after word 2
tell every word of line 1 count
select 0 3
tell word 2 of paragraph 2 set text "busy"
tell word 2 of paragraph 2 get
print selection
print text
S
)
check resolve "range 4 9 quick
range 1 5 he q
range 20 24 lazy
range 30 33 End
range 9 9 
range 0 3 The
range 4 9 quick
range 10 13 fox
range 13 14 .
count 4
range 20 24 lazy
range 20 24 busy
get busy
20 24
The quick fox.
あい busy dog.
End" "$out"

for step in 'tell word 1 set font "No Such Family"' 'tell word 1 set color 70000,0,0' 'tell word 1 set net 16' \
            'tell word 99' 'tell every word whose text ~ "x"' 'tell word 1 frobnicate'; do
  "$bin" "$tmp/in.txt" - >/dev/null 2>"$tmp/err" <<<"$step"
  rc=$?
  check "exit of: $step" 1 "$rc"
  [ -s "$tmp/err" ] || { echo "FAIL no message for: $step"; fail=1; }
done
exit $fail
