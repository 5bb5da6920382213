#!/usr/bin/env bash
# kxedit --window --gtk: a step that only the headless host has (mouse hold
# on the virtual clock) is a step the host does not support: exit 2 and
# one line on stderr, before anything reaches the window.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'hello\n' > "$dir/t.txt"
printf 'mouse hold 10 8 5\nprint calls\n' > "$dir/s.txt"
out=$("$bin" --window --gtk --ruler "$dir/t.txt" "$dir/s.txt" 2>"$dir/err")
status=$?
fail=0
[ "$status" = 2 ] || { echo "FAIL: status $status"; fail=1; }
[ -z "$out" ] || { echo "FAIL: output [$out]"; fail=1; }
[ "$(cat "$dir/err")" = "kxedit: line 1: mouse hold needs the headless host" ] ||
  { echo "FAIL: stderr [$(cat "$dir/err")]"; fail=1; }
exit $fail
