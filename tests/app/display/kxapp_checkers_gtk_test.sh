#!/usr/bin/env bash
# A spelling checker program's run in real GTK windows: the correction
# panel shows the checker's word and guesses over the document exactly as
# the headless host draws it, and the run goes the same way on both hosts.
set -u
bin="${KX_BIN_DIR:?}/kxapp"
checker="${KX_SOURCE_DIR:?}/tests/data/checkers/fake_bytes"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
printf '日本語の文 teh naive wrod.\nSecond: speling teh end\n' > doc.txt
cat > script.txt <<S
open $dir/doc.txt
@BEFORE@answer $checker
menu 1226
@AFTER@answer $checker
menu 1901
print window 2195
print selection
shot 2195 panel-@HOST@.png
choose 2196 1
click 2191
click 2192
print window 2195
print selection
print text
@BEFORE@answer dont-save
quit
@AFTER@answer dont-save
S
for host in headless gtk; do
  args=()
  [ $host = gtk ] && args=(--gtk)
  # The headless host takes the answers of the file chooser and of the
  # question at quit queued before; the desktop's take them once they show.
  if [ $host = gtk ]; then keep=AFTER drop=BEFORE; else keep=BEFORE drop=AFTER; fi
  sed -e "s/@HOST@/$host/" -e "/^@$drop@/d" -e "s/^@$keep@//" script.txt > "script-$host.txt"
  "$bin" --prefs "$dir/prefs-$host" "${args[@]}" "script-$host.txt" > "out-$host.txt" 2> "err-$host.txt" ||
    { echo "FAIL: $host: exit $? $(cat "err-$host.txt")"; fail=1; }
done
diff out-headless.txt out-gtk.txt || { echo "FAIL: the prints differ"; fail=1; }
grep -qx '2195 field 1 1 0 teh' out-gtk.txt || { echo "FAIL: no word shown: $(cat out-gtk.txt)"; fail=1; }
grep -qx '日本語の文 the naive wrod.' out-gtk.txt || { echo "FAIL: not corrected under GTK"; fail=1; }
for shot in panel; do
  cmp "$shot-headless.png" "$shot-gtk.png" || { echo "FAIL: $shot differs from the headless picture"; fail=1; }
done
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
