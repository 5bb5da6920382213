#!/usr/bin/env bash
# kxedit --window --lines --status --gtk: the real window's screenshot shows
# the same margin and status bar as the headless window after scrolling and
# a selection, with one pane and split panes.
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
exit $fail
