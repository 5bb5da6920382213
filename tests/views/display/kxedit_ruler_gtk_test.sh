#!/usr/bin/env bash
# kxedit --window --ruler --gtk: the real window's screenshot shows the same
# ruler as the headless window after scrolling, a selection and a mark
# dragged through the toolkit's own events, in both writings; a unit
# chosen from the pop-up redraws the scale the same way.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
for k in $(seq 1 120); do echo "line $k of the text, long enough to scroll sideways as well"; done > "$dir/t.txt"
cat > "$dir/s.txt" <<STEPS
wheel 3 2
mouse down 80 40
mouse move 160 70
mouse up 160 70
mouse click 300 8 2
mouse track 40 24 100 24
shot $dir/headless.png
STEPS
run() {   # name, options...
  local name=$1
  shift
  sed "s|$dir/headless.png|$dir/$name-headless.png|" "$dir/s.txt" > "$dir/$name.txt"
  "$bin" --window --ruler "$@" "$dir/t.txt" "$dir/$name.txt" > /dev/null ||
    { echo "FAIL: $name headless exit $?"; fail=1; return; }
  sed -i "s|shot .*|# no shot|" "$dir/$name.txt"
  "$bin" --window --ruler --gtk --screenshot "$dir/$name-gtk.png" "$@" "$dir/t.txt" "$dir/$name.txt" \
    > /dev/null || { echo "FAIL: $name --gtk exit $?"; fail=1; return; }
  cmp -s "$dir/$name-headless.png" "$dir/$name-gtk.png" || { echo "FAIL: $name: the screenshot differs"; fail=1; }
}
run horizontal --lines
run vertical --vertical --width 300
# The drag reached the ruler through the toolkit: one command, as headless.
printf 'mouse click 300 8 2\nmouse track 40 24 100 24\nprint paras\n' > "$dir/drag.txt"
want=$("$bin" --window --ruler --lines "$dir/t.txt" "$dir/drag.txt" | head -n 1)
got=$("$bin" --window --ruler --lines --gtk "$dir/t.txt" "$dir/drag.txt" | head -n 1)
[ "$want" == "0 60 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0" ] || { echo "FAIL: headless drag: $want"; fail=1; }
[ "$got" == "$want" ] || { echo "FAIL: drag --gtk: got [$got] want [$want]"; fail=1; }
exit $fail
