#!/usr/bin/env bash
# The stream editor window with each output kind, driven by one kxapp
# script on the headless host and in a real GTK window: the prints agree,
# every screenshot under GTK is the headless host's picture of the window,
# and the run into copies writes them. Screenshots stay in $KX_SHOT_DIR.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
mkdir -p t home
export HOME="$dir/home"
printf '日本の行\nabc\n' > t/a.txt
printf 'また日本\n' > t/b.txt
cat > script.txt <<S
menu 1228
folder 3934 $dir/run
choose 3932 1 2
field 3916 abc
field 3919 XYZ
shot 3901 new-@HOST@.png
choose 3941 2
field 3944 _copy
shot 3901 copy-@HOST@.png
choose 3941 3
shot 3901 overwrite-@HOST@.png
choose 3941 4
shot 3901 clipboard-@HOST@.png
choose 3941 2
click 3901
print cells 3932
choose 3911 2
choose 3931 3
field 3924 s/a/A/
shot 3901 script-@HOST@.png
print window 3901
quit
S
for host in headless gtk; do
  rm -rf prefs run
  cp -r t run
  sed "s/@HOST@/$host/g" script.txt > "script-$host.txt"
  flag=""; [ $host = gtk ] && flag=--gtk
  "$bin" --prefs "$dir/prefs" $flag "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
  [ "$(cat run/a_copy.txt 2>/dev/null)" = "$(printf '日本の行\nXYZ')" ] ||
    { echo "FAIL: $host: the copy of a.txt: $(cat run/a_copy.txt 2>&1)"; fail=1; }
done
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -q '^3924 field 1 1 0 s/a/A/$' out-gtk.txt || { echo "FAIL: the script box: $(cat out-gtk.txt)"; fail=1; }
grep -q '^3941 popup 0 1 4 ' out-gtk.txt || { echo "FAIL: the clipboard output: $(cat out-gtk.txt)"; fail=1; }
for shot in new copy overwrite clipboard script; do
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: the $shot window under GTK differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
