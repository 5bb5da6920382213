#!/usr/bin/env bash
# The format dialogs in real GTK windows: the header and footer dialogs
# opened from their commands over a document, filled and read back as on
# the headless host; the paragraph, tabs, page layout and go-to-page
# dialogs opened; each one's screenshot the headless host's picture of it.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
cat > script.txt <<'S'
open a.txt
menu 1412
field 2803 20
field 2804 Head <PAGE>
choose 2812 2
click 2815
shot 2803 header-@HOST@.png
click 2801
menu 1413
field 2804 Foot
choose 2806 3
shot 2803 footer-@HOST@.png
click 2801
menu 1412
print window 2803
click 2802
menu 1416
shot 2653 paragraph-@HOST@.png
click 2652
menu 1417
shot 2675 tabs-@HOST@.png
click 2672
menu 1411
shot 2704 layout-@HOST@.png
click 2702
menu 1407
menu 1221
shot 2303 page-@HOST@.png
click 2302
quit
answer dont-save
S
run() { # host (headless|gtk), then the arguments
  local host=$1
  shift
  printf 'hello\n' > a.txt
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  "$bin" --prefs "$dir/prefs" "$@" "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
}
run headless
run gtk --gtk
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -qx '2804 field 1 1 0 Head <PAGE>' out-gtk.txt || { echo "FAIL: the header under GTK: $(cat out-gtk.txt)"; fail=1; }
for shot in header footer paragraph tabs layout page; do
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: the $shot dialog differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
