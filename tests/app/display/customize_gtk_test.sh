#!/usr/bin/env bash
# The key customisation dialog in a real GTK window: each of its four pages
# is the headless host's picture of it, and a command chosen while the
# menu-key page shows runs nothing.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
printf 'doc\n' > doc.txt
cat > script.txt <<'S'
open doc.txt
menu 1109
menu 2
print windows
shot 2901 page0-@HOST@.png
click 3016
shot 2901 page1-@HOST@.png
click 3017
shot 2901 page2-@HOST@.png
click 3018
shot 2901 page3-@HOST@.png
click 2902
print windows
quit
S
for host in headless gtk; do
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  flag=(); [ "$host" = gtk ] && flag=(--gtk)
  "$bin" --prefs "$dir/prefs-$host" "${flag[@]}" "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(grep -v dconf "err-$host.txt")"; fail=1; }
done
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
[ "$(cat out-gtk.txt)" = "$(printf 'キー設定\ndoc.txt\ndoc.txt')" ] || { echo "FAIL: windows: $(cat out-gtk.txt)"; fail=1; }
for page in 0 1 2 3; do
  cmp "page$page-headless.png" "page$page-gtk.png" || { echo "FAIL: page $page differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp page*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
