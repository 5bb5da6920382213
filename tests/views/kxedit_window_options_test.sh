#!/usr/bin/env bash
# kxedit's window options and steps against their written forms: --screen
# belongs to the headless window only, a read-only text refuses every edit
# step as its view does, and a failed step says so in one stderr line.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
cp "${KX_SHARED_DIR:?}/realdata/aozora/oto.sjis.txt" "$dir/oto.txt"
printf 'hello world\n' > "$dir/t.txt"

# --screen: with --window only, and not with the desktop's own screen.
for opts in "--screen 800,600" "--window --gtk --screen 800,600" "--window --screen 99,600"; do
  # shellcheck disable=SC2086
  "$bin" $opts "$dir/t.txt" /dev/null 2>/dev/null
  check "$opts: usage" 2 "$?"
done
out=$(printf 'print beeps\n' | "$bin" --window --screen 640,480 "$dir/t.txt" -)
check "--screen with --window" "beeps 0" "$out"

# --readonly: typing, cut, paste, a dropped file and replace-all change
# nothing (copy still copies); moving the caret still works.
out=$("$bin" --window --readonly "$dir/oto.txt" - <<STEPS
select 0 4
copy
type 追加
cut
paste
paste-file $dir/t.txt
replace-all 。 ．
key backspace
key right
print selection
print beeps
STEPS
)
check "read-only steps" "4 4
beeps 0" "$out"
check "read-only text" "$(cat "$dir/oto.txt" | iconv -f CP932 -t UTF-8 | tr -d '\r')" \
  "$(printf 'print text\n' | "$bin" --window --readonly "$dir/oto.txt" - | sed '$d')"
out=$(printf 'type 追加\nprint text\n' | "$bin" --window "$dir/t.txt" -)
check "editable text takes typing" "追加hello world" "$(head -n 1 <<<"$out")"

# A shot that cannot be written: exit 1 and one line on stderr.
printf 'shot %s/none/x.png\n' "$dir" > "$dir/shot.txt"
err=$("$bin" --window "$dir/t.txt" "$dir/shot.txt" 2>&1 >/dev/null)
check "shot status" 1 "$?"
check "shot message" "kxedit: line 1: cannot write $dir/none/x.png" "$err"
exit $fail
