#!/usr/bin/env bash
# kxapp --gtk: the same script drives real GTK windows as it drives the
# headless host: an alert answered from inside its loop, a document
# clicked, typed into, saved and dragged over, a modal dialog over it whose
# steps run inside its loop, the save question answered from inside its
# loop; the prints agree and the screenshot of the dialog is the headless
# host's picture of it.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
run() { # host (headless|gtk), then the arguments
  local host=$1
  shift
  printf 'hello\n' > a.txt
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  "$bin" --prefs "$dir/prefs" "$@" "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
  cp a.txt "a-$host.txt"
}
mkdir adir
cat > script.txt <<'S'
open a.txt
open adir
answer ok
click 1001 30 5
type xy
menu 5
print selection
layout 3990
field 3993 abc
choose 3999 3
choose 3995 1
print window 3993
shot 3993 dialog-@HOST@.png
click 901
print text
print windows
drag 1001 2 5 25 5
print selection
type z
menu 4
print windows
answer dont-save
print windows
quit
S
run headless
run gtk --gtk
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -qx '3993 field 1 1 0 abc' out-gtk.txt || { echo "FAIL: the field under GTK: $(cat out-gtk.txt)"; fail=1; }
[ "$(grep -c '^a.txt' out-gtk.txt)" = 2 ] || { echo "FAIL: the question under GTK: $(cat out-gtk.txt)"; fail=1; }
grep -qx '0 4' out-gtk.txt || { echo "FAIL: the drag under GTK: $(cat out-gtk.txt)"; fail=1; }
grep -qx 'helloxy' out-gtk.txt || { echo "FAIL: typing under GTK: $(cat out-gtk.txt)"; fail=1; }
[ "$(cat a-gtk.txt)" = "helloxy" ] || { echo "FAIL: the save under GTK: $(cat a-gtk.txt)"; fail=1; }
cmp dialog-headless.png dialog-gtk.png || { echo "FAIL: the dialog's screenshot differs from the headless picture"; fail=1; }
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp dialog-*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
