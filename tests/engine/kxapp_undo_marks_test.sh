#!/usr/bin/env bash
# Undo on the real program leaves the marks added after its edit: undoing
# typing took away a mark added elsewhere afterwards (and redo brought it
# back), as every action put back a copy of all the marks before it.
set -euo pipefail
bin=${KX_BIN_DIR:?}
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
printf 'line one\nline two\nline three\n' > "$tmp/a.txt"
mark() { printf 'select %s %s\nmenu 1220\nfield 2355 %s\nclick 2351\n' "$1" "$2" "$3"; }
{
  echo "open $tmp/a.txt"
  mark 0 4 first
  printf 'select 9 9\ntype X\n'
  mark 20 24 second
  printf 'menu 11\nprint marks\nclipboard --\nprint clipboard\nmenu 28\nprint marks\nquit\n'
} > "$tmp/s"
out=$("$bin/kxapp" --prefs "$tmp/p" "$tmp/s" 2>&1)
want=$(printf '%s\n' "0 4 0 first" "19 23 0 second" "--" "0 4 0 first" "20 24 0 second")
[ "$out" = "$want" ] || { echo "FAIL: $out" >&2; exit 1; }
echo ok
