#!/bin/bash
# kxedit --window: `status N` answers what the text view's menus would show,
# and `command N` goes through the view, so a read-only text keeps its bytes.
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

printf 'one two three\nfour\n' >"$tmp/in.txt"

# Bold on, then the switch to read-only: Cut goes grey, Copy stays, and a
# cut obeyed anyway (a key, a macro) leaves the text alone.
out=$("$bin" --window "$tmp/in.txt" - <<'S'
select 0 3
status 402
status 12
command 1124
status 1124
status 12
status 13
command 12
print text
status 99999
S
)
check "read-only statuses" "1 0 
1 0 
1 18 
0 0 
1 0 
one two three
four

0 0 " "$out"

# A modified text is not switched to read-only.
out=$("$bin" --window "$tmp/in.txt" - <<'S'
select 0 3
command 402
status 402
command 1124
status 1124
command 12
print text
S
)
check "modified stays writable" "1 18 
1 0 
 two three
four" "$out"

# Marks beyond the count are disabled.
out=$("$bin" --window "$tmp/in.txt" - <<'S'
status 1230
status 3000
S
)
check "missing marks" "0 0 
0 0 " "$out"

"$bin" --window "$tmp/in.txt" - <<<'status x' >/dev/null 2>&1
check "bad status" "1" "$?"
exit $fail
