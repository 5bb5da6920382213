#!/usr/bin/env bash
# kxedit --window --gtk: after scrolling, clicking and typing, the window's
# screenshot equals the headless window's pixels of the same script, for
# one pane, split panes, vertical writing and a scale stepped by Ctrl+wheel.
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
for k in $(seq 1 120); do echo "line $k of the text, long enough to scroll sideways as well as down, $k"; done > "$dir/t.txt"
cat > "$dir/s.txt" <<STEPS
wheel 3
mouse down 40 30
mouse move 160 70
mouse up 160 70
type typed
wheel 1 0 shift
shot $dir/headless.png
STEPS
run() {   # name, options...
  local name=$1
  shift
  sed "s|$dir/headless.png|$dir/$name-headless.png|" "$dir/s.txt" > "$dir/$name.txt"
  "$bin" --window "$@" "$dir/t.txt" "$dir/$name.txt" > /dev/null || { echo "FAIL: $name headless exit $?"; fail=1; return; }
  sed -i "s|shot .*|# no shot|" "$dir/$name.txt"
  "$bin" --window --gtk --screenshot "$dir/$name-gtk.png" "$@" "$dir/t.txt" "$dir/$name.txt" > /dev/null ||
    { echo "FAIL: $name --gtk exit $?"; fail=1; return; }
  cmp -s "$dir/$name-headless.png" "$dir/$name-gtk.png" || { echo "FAIL: $name: the screenshot differs"; fail=1; }
}
run one
run split --split 150
run vertical --vertical --split 200
sed -i 's|^shot|wheel -1 0 cmd\nshot|' "$dir/s.txt"
run scaled --split 120
exit $fail
