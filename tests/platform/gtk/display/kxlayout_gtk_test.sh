#!/usr/bin/env bash
# kxlayout --gtk: the dialog built in a real window shows on the screen
# exactly what the headless host draws (both written by the same PNG
# writer), and a script's clicks and keys, synthesized into the toolkit's
# queue, leave the same broadcasts and field values as on the headless host.
set -u
bin="${KX_BIN_DIR:?}/kxlayout"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { # what, then a command that must succeed
  local what=$1
  shift
  "$@" || { echo "FAIL: $what"; fail=1; }
}

# Single panes, before and after scripts: panes without a caret, so that the
# blink cannot differ.
cases=(
  "3990 3992 -"
  "3960 3967 click 230 30"
  "3960 3969 click 330 111"
  "3960 3966 click 30 134"
)
for c in "${cases[@]}"; do
  read -r layout pane steps <<<"$c"
  [ "$steps" = "-" ] && steps=""
  tr ';' '\n' <<<"$steps" >"$dir/script.txt"
  name="$layout-$pane"
  "$bin" "$layout" --boxes --pane "$pane" --script "$dir/script.txt" -o "$dir/$name-headless.png" \
    >"$dir/$name-headless.txt" || { echo "FAIL: $name: headless exit $?"; fail=1; continue; }
  "$bin" "$layout" --boxes --pane "$pane" --script "$dir/script.txt" --gtk --screenshot "$dir/$name-shot.png" \
    -o "$dir/$name-store.png" >"$dir/$name-gtk.txt" || { echo "FAIL: $name: --gtk exit $?"; fail=1; continue; }
  check "$name: the screenshot differs from the headless picture" cmp "$dir/$name-headless.png" "$dir/$name-shot.png"
  check "$name: the window's store differs from the headless picture" cmp "$dir/$name-headless.png" "$dir/$name-store.png"
  check "$name: the output differs" diff "$dir/$name-headless.txt" "$dir/$name-gtk.txt"
done

# Whole windows, buttons, lists and scroll bars included: the window is
# active on both hosts, so the GTK screenshot is the headless picture.
for layout in 3960 3990; do
  "$bin" "$layout" --boxes -o "$dir/$layout-headless.png" >/dev/null || { echo "FAIL: $layout: headless"; fail=1; continue; }
  "$bin" "$layout" --boxes --gtk --screenshot "$dir/$layout-shot.png" -o "$dir/$layout-store.png" >/dev/null ||
    { echo "FAIL: $layout: --gtk"; fail=1; continue; }
  check "$layout: the whole window's screenshot differs from the headless picture" \
    cmp "$dir/$layout-headless.png" "$dir/$layout-shot.png"
done

# Typing, editing keys and the default and cancel buttons: the same
# broadcasts and values either way.
scripts=(
  "click 20 12;key end;key backspace;type 75;key left;key left;key delete;print fields"
  "click 20 40;type 12a3;key home;key right;key backspace;print fields"
  "click 20 12;key a cmd;type 9;undo;print fields"
  "key return"
  "key enter"
  "key escape"
  "click 230 30;key down;key down;print value 3967"
)
for i in "${!scripts[@]}"; do
  tr ';' '\n' <<<"${scripts[$i]}" >"$dir/script.txt"
  "$bin" 3960 --boxes --script "$dir/script.txt" -o "$dir/h.png" >"$dir/h.txt"
  "$bin" 3960 --boxes --gtk --script "$dir/script.txt" -o "$dir/g.png" >"$dir/g.txt"
  check "script $i: the output differs" diff "$dir/h.txt" "$dir/g.txt"
done

# What the window cannot do: exit 2; a screenshot that cannot be written: 1.
for step in "alert 1 1" "note hello" "answer ok" "type あ"; do
  echo "$step" >"$dir/script.txt"
  "$bin" 3960 --gtk --script "$dir/script.txt" -o "$dir/x.png" >/dev/null 2>&1
  status=$?
  [ $status -eq 2 ] || { echo "FAIL: '$step' with --gtk: exit $status, not 2"; fail=1; }
done
"$bin" 3960 --screenshot "$dir/s.png" -o "$dir/x.png" 2>/dev/null
[ $? -eq 2 ] || { echo "FAIL: --screenshot without --gtk must be a usage error"; fail=1; }
"$bin" 3960 --gtk --screenshot "$dir/missing/s.png" -o "$dir/x.png" >/dev/null 2>&1
[ $? -eq 1 ] || { echo "FAIL: an unwritable screenshot must fail with exit 1"; fail=1; }
exit $fail
