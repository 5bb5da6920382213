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

# A composition taken out (an empty update or an empty commit) over a
# selection leaves the selection gone; undo brings back exactly what it
# was, redo takes it out again, and typing after it goes on with that step.
printf 'abc def ghi' >"$tmp/sel.txt"
for cancel in preedit commit; do
  out=$("$bin" "$tmp/sel.txt" - <<S
select 4 7
preedit かな
$cancel
print text
print selection
undo
print text
print selection
redo
print text
print selection
undo
S
)
  check "composition over a selection taken out by an empty $cancel" \
    "$(printf 'abc  ghi\n4 4\nabc def ghi\n4 7\nabc  ghi\n4 4')" "$out"
done
out=$("$bin" "$tmp/sel.txt" - <<'S'
select 4 7
preedit かな
preedit
type xy
print text
undo
print text
print selection
select 4 4
preedit かな
commit
type q
print text
undo
print text
select 3 3
type zz
preedit かな
preedit
print text
undo
print text
S
)
check "typing after a composition taken out" \
  "$(printf 'abc xy ghi\nabc def ghi\n4 7\nabc qdef ghi\nabc def ghi\nabczz def ghi\nabc def ghi')" "$out"

# A window script that ends during a composition confirms it before the
# window goes.
out=$(printf 'select 4 7\npreedit かな\n' | "$bin" --window "$tmp/sel.txt" - 2>&1) ||
  { echo "FAIL window script ending in a composition"; echo "$out"; fail=1; }

exit $fail
