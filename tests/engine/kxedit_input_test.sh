#!/bin/bash
# kxedit keys through the text's event handler and input-method steps:
# two-stroke control keys, Home and End, function keys, the vertical turn
# of the arrows, compositions and commits with their undo.
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

printf 'one two\rthree' >"$tmp/in.txt"

out=$("$bin" "$tmp/in.txt" - <<'S'
select 5 5
key home
print selection
key end
print selection
key q control
key r control
print selection
key q control
key c control
print selection
key q control
key x control
print selection
key s control
print selection
key right option
print selection
key up cmd+option
print selection
S
)
check "control keys, Home and End" "$(printf '0 0\n7 7\n0 0\n13 13\n13 13\n12 12\n13 13\n0 0')" "$out"

out=$("$bin" --vertical "$tmp/in.txt" - <<'S'
select 2 2
key down
print selection
key home
print selection
S
)
check "vertical writing" "$(printf '3 3\n0 0')" "$out"

out=$("$bin" "$tmp/in.txt" - <<'S'
select 3 3
preedit かんじ
print text
print selection
preedit 漢字
commit 漢字
print text
print selection
undo
print text
key f5
key f13 shift
print text
S
)
check "composition, commit and undo" "$(printf 'oneかんじ two\nthree\n9 9\none漢字 two\nthree\n7 7\none two\nthree\none two\nthree')" "$out"

out=$("$bin" "$tmp/in.txt" - <<'S'
select 0 3
preedit かな
undo
print text
commit e
commit ́
print text
S
)
check "an edit during a composition confirms it first" "$(printf 'one two\nthree\né two\nthree')" "$out"

exit $fail
