#!/usr/bin/env bash
# kxedit --window --lines --status --gtk: the real window's screenshot shows
# the same margin and status bar as the headless window after scrolling and
# a selection, with one pane and split panes; clicks and drags in the
# margin select whole lines.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
for k in $(seq 1 120); do echo "line $k of the text"; done > "$dir/t.txt"
cat > "$dir/s.txt" <<STEPS
wheel 3
mouse down 60 30
mouse move 160 70
mouse up 160 70
shot $dir/headless.png
STEPS
run() {   # name, options...
  local name=$1
  shift
  sed "s|$dir/headless.png|$dir/$name-headless.png|" "$dir/s.txt" > "$dir/$name.txt"
  "$bin" --window --lines --status "$@" "$dir/t.txt" "$dir/$name.txt" > /dev/null ||
    { echo "FAIL: $name headless exit $?"; fail=1; return; }
  sed -i "s|shot .*|# no shot|" "$dir/$name.txt"
  "$bin" --window --lines --status --gtk --screenshot "$dir/$name-gtk.png" "$@" "$dir/t.txt" "$dir/$name.txt" \
    > /dev/null || { echo "FAIL: $name --gtk exit $?"; fail=1; return; }
  cmp -s "$dir/$name-headless.png" "$dir/$name-gtk.png" || { echo "FAIL: $name: the screenshot differs"; fail=1; }
}
run one
run split --split 150
# Margin clicks and drags through the toolkit's events select whole lines,
# as they do headless: line 3 alone, lines 3-5, and Shift growing it.
cat > "$dir/margin.txt" <<'STEPS'
mouse down 10 30
mouse up 10 30
print selection
mouse track 10 30 10 54
print selection
mouse track 10 66 10 66 shift
print selection
mouse track 10 54 10 30
print selection
STEPS
for k in 1 2 3 4 5 6 7 8; do echo "line $k"; done > "$dir/lines.txt"
want=$(printf '14 21\n14 35\n14 42\n14 35')
got=$("$bin" --window --lines --gtk "$dir/lines.txt" "$dir/margin.txt") || { echo "FAIL: margin --gtk exit $?"; fail=1; }
[ "$got" == "$want" ] || { echo "FAIL: margin --gtk: got [$got] want [$want]"; fail=1; }
exit $fail
