#!/usr/bin/env bash
# The custom page-form dialog and its modal add/delete list, driven by one
# kxapp script on the headless host and in real GTK windows: the prints
# agree and each window's screenshot under GTK is the headless host's
# picture of it.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
printf 'one\ntwo\nthree\n' > a.txt
cat > script.txt <<'S'
open a.txt
idle 2
menu 1932
idle 2
choose 3806 3
print window 3806
shot 3806 form-@HOST@.png
click 3803
idle 2
field 3855 Mine
choose 3854 2
print window 3855
shot 3854 list-@HOST@.png
click 3852
idle 2
click 3801
idle 2
print page
quit
answer dont-save
S
for host in headless gtk; do
  rm -rf prefs
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  flag=""; [ $host = gtk ] && flag=--gtk
  "$bin" --prefs "$dir/prefs" $flag "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
done
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -q '^3806 popup 1 1 3 ' out-gtk.txt || { echo "FAIL: the form popup: $(cat out-gtk.txt)"; fail=1; }
grep -q '^3853 button 1 1 0 ' out-gtk.txt || { echo "FAIL: a selected row enables Delete: $(cat out-gtk.txt)"; fail=1; }
grep -q '^paper 842 595 ' out-gtk.txt || { echo "FAIL: the form was not applied: $(cat out-gtk.txt)"; fail=1; }
for shot in form list; do
  [ -s "$shot-gtk.png" ] || { echo "FAIL: no $shot picture"; fail=1; continue; }
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: the $shot window under GTK differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
