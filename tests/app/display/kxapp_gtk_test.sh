#!/usr/bin/env bash
# kxapp --gtk: the same script drives real GTK windows as it drives the
# headless host: an alert answered from inside its loop, a document
# clicked, typed into, saved and dragged over, a modal dialog over it whose
# steps run inside its loop, the save question answered from inside its
# loop; the prints agree and the screenshot of the dialog is the headless
# host's picture of it. Then, under a window manager, the colour chooser
# and a floating window.
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

# Steps that run inside a failed open's alert never close the document the
# open still holds: a quit there is refused, as during any question, and
# the program ends when the script does.
printf 'open adir\nopen a.txt\nquit\n' > nested.txt
"$bin" --prefs "$dir/prefs" --gtk nested.txt > out-nested.txt 2> err-nested.txt ||
  { echo "FAIL: a quit inside a failed open's alert: exit $? $(head -n 5 err-nested.txt)"; fail=1; }

# Under a window manager, which frames the windows: the colour chooser
# closed with Escape leaves the colour as it was and the toolkit quiet, and
# the mark list shown, hidden and shown again comes back where it stood.
command -v openbox >/dev/null && command -v xdotool >/dev/null ||
  { echo "FAIL: openbox or xdotool missing (scripts/setup installs them)"; exit 1; }
mkdir -p "$dir/home"
HOME="$dir/home" openbox >/dev/null 2>&1 & wm=$!
trap 'kill $wm 2>/dev/null; rm -rf "$dir"' EXIT
sleep 1
cat > wm.txt <<'S'
open a.txt
select 0 5
print styles
menu 1309
print styles
menu 1229
print floats
menu 1229
menu 1229
print floats
menu 1229
menu 1229
print floats
quit
S
HOME="$dir/home" GSETTINGS_BACKEND=memory ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  "$bin" --prefs "$dir/prefs-wm" --gtk wm.txt > out-wm.txt 2> err-wm.txt & pid=$!
for _ in $(seq 200); do
  chooser=$(xdotool search --onlyvisible --name '色を選んでください' 2>/dev/null | head -1)
  [ -n "$chooser" ] && break
  sleep 0.1
done
sleep 0.5
[ -n "$chooser" ] && xdotool windowactivate --sync "$chooser" key Escape || { echo "FAIL: no colour chooser"; fail=1; }
for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program hangs after Escape"; kill "$pid"; fail=1; fi
wait "$pid" || { echo "FAIL: kxapp under a window manager: exit $?"; fail=1; }
styles=$(grep -v '^marklist\|^palette\|^fkeys' out-wm.txt)
[ "$(wc -l <<< "$styles")" = 2 ] && [ "$(sort -u <<< "$styles" | wc -l)" = 1 ] ||
  { echo "FAIL: Escape in the colour chooser changed the styles: $(cat out-wm.txt)"; fail=1; }
marks=$(grep '^marklist' out-wm.txt)
[ "$(wc -l <<< "$marks")" = 3 ] && [ "$(sort -u <<< "$marks" | wc -l)" = 1 ] ||
  { echo "FAIL: the mark list moves between shows: $marks"; fail=1; }
if grep -E 'CRITICAL|GLib-GObject-WARNING|Gtk-WARNING' err-wm.txt; then echo "FAIL: the toolkit complained"; fail=1; fi
[ $fail -eq 0 ] && echo ok
exit $fail
