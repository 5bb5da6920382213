#!/usr/bin/env bash
# The format bar in real GTK windows: kxedit's ruler with the bar, in both
# writings, and the program's document window with the bar active and
# inactive, each screenshot the headless host's picture (the inactive one
# lighter).
set -u
bin="${KX_BIN_DIR:?}"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail=0
printf 'alpha beta gamma delta\repsilon zeta\r' > t.txt
for w in horizontal vertical; do
  opts=""
  [ $w = vertical ] && opts="--vertical --width 300"
  printf 'select 0 5\nshot %s\n' "$dir/$w-headless.png" > "$w.txt"
  # shellcheck disable=SC2086
  "$bin/kxedit" --window --ruler --format-bar $opts t.txt "$w.txt" > /dev/null ||
    { echo "FAIL: $w headless exit $?"; fail=1; continue; }
  printf 'select 0 5\n' > "$w-gtk.txt"
  # shellcheck disable=SC2086
  "$bin/kxedit" --window --ruler --format-bar --gtk --screenshot "$dir/$w-gtk.png" $opts t.txt "$w-gtk.txt" \
    > /dev/null || { echo "FAIL: $w --gtk exit $?"; fail=1; continue; }
  cmp -s "$w-headless.png" "$w-gtk.png" || { echo "FAIL: the $w bar differs from the headless picture"; fail=1; }
done
# New windows show the format bar (the factory preferences ask for it).
cat > script.txt <<'S'
open t.txt
shot 1002 active-@HOST@.png
background on
shot 1002 inactive-@HOST@.png
background off
quit
S
for host in headless gtk; do
  sed "s/@HOST@/$host/" script.txt > "script-$host.txt"
  flag=""
  [ $host = gtk ] && flag="--gtk"
  # shellcheck disable=SC2086
  "$bin/kxapp" --prefs "$dir/prefs" $flag "script-$host.txt" > "out-$host.txt" 2>&1 ||
    { echo "FAIL: kxapp $host: $(cat "out-$host.txt")"; fail=1; }
done
# The desktop's window takes the size of its screen: the bar's row and the
# gauge under it, as far as the bar's controls reach, are compared.
bar() { convert "$1" -crop 620x33+0+0 +repage -strip rgb:-; }
command -v convert >/dev/null || { echo "convert missing (scripts/setup installs imagemagick)"; exit 1; }
for shot in active inactive; do
  cmp -s <(bar "$shot-headless.png") <(bar "$shot-gtk.png") ||
    { echo "FAIL: the $shot bar differs from the headless picture"; fail=1; }
done
if cmp -s <(bar active-headless.png) <(bar inactive-headless.png); then
  echo "FAIL: the bar is drawn the same in an inactive window"; fail=1
fi
if [ -n "${KX_SHOT_DIR:-}" ]; then mkdir -p "$KX_SHOT_DIR" && cp ./*.png "$KX_SHOT_DIR/"; fi
[ $fail -eq 0 ] && echo ok
exit $fail
