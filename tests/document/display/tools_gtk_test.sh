#!/usr/bin/env bash
# The clipboard window holding styled text and the character code table in
# IPA Gothic, driven by one kxapp script on the headless host and in real
# GTK windows: the prints agree and each window's screenshot under GTK is
# the headless host's picture of it.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
cat > script.txt <<'S'
menu 2
type Styled text, bold and plain
select 0 6
menu 402
select 0 27
key c cmd
menu 19
idle 2
field 1104 styled
click 1105
print window 1103
print items 1103
shot 1103 clipboard-@HOST@.png
menu 4
menu 1137
click 3771 73 22
print window 3771
shot 3771 table-@HOST@.png
print text
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
grep -q '^3771 grid 1 1 17 08-09 0D 11-14 20-7E 80 A1-DF FD-FF$' out-gtk.txt || { echo "FAIL: the grid: $(cat out-gtk.txt)"; fail=1; }
grep -q '^4 styled$' out-gtk.txt || { echo "FAIL: the clip list: $(cat out-gtk.txt)"; fail=1; }
for shot in clipboard table; do
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: the $shot window under GTK differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
