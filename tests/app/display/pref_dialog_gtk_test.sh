#!/usr/bin/env bash
# The general preferences dialog in a real GTK window: each of its four
# pages looks exactly as the headless host draws it, and OK stores the same
# settings on both hosts.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
cat > script.txt <<'S'
menu 2
menu 1108
shot 2001 page0-@HOST@.png
click 2092
shot 2001 page1-@HOST@.png
click 2093
shot 2001 page2-@HOST@.png
click 2094
shot 2001 page3-@HOST@.png
click 2091
field 2011 16
click 2001
print prefs
quit
S
for host in headless gtk; do
  args=()
  [ $host = gtk ] && args=(--gtk)
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  "$bin" --prefs "$dir/prefs-$host" "${args[@]}" "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
done
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -qx 'KXTP.size = 16' out-gtk.txt || { echo "FAIL: OK under GTK stored nothing"; fail=1; }
for shot in page0 page1 page2 page3; do
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: $shot differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
