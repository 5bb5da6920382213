#!/usr/bin/env bash
# kxdraw --gtk: the screenshot of the window equals the headless rendering of
# the same sheet byte for byte (both written by the same PNG writer).
set -u
bin="${KX_BIN_DIR:?}/kxdraw"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
"$bin" --toolkit --gtk --hold 100 --screenshot "$dir/shot.png" -o "$dir/sheet.png" || { echo "FAIL: kxdraw --gtk exit $?"; exit 1; }
cmp "$dir/sheet.png" "$dir/shot.png" || { echo "FAIL: the screenshot differs from the headless rendering"; fail=1; }
"$bin" --toolkit --gtk --screenshot "$dir/missing/shot.png" -o "$dir/sheet2.png" 2>/dev/null
[ $? -eq 1 ] || { echo "FAIL: an unwritable screenshot must fail with exit 1"; fail=1; }
exit $fail
