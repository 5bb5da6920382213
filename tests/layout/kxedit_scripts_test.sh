#!/bin/bash
# kxedit scripts of the edit object's edge cases (tests/data/layout/kxedit):
# each NAME.kxs names its input file ("# input: FILE") and options
# ("# args: ..."); its output must equal NAME.out. With
# KX_UPDATE_EXPECTED=1 the outputs are written instead (review the diff).
set -u
bin="${KX_BIN_DIR:?}/kxedit"
dir="${KX_SOURCE_DIR:?}/tests/data/layout/kxedit"
fail=0
for script in "$dir"/*.kxs; do
  name=$(basename "$script" .kxs)
  input=$(sed -n 's/^# input: //p' "$script")
  args=$(sed -n 's/^# args: //p' "$script")
  # shellcheck disable=SC2086  # the options are words
  out=$("$bin" $args "$dir/$input" "$script" 2>&1; echo "exit $?")
  if [ "${KX_UPDATE_EXPECTED:-0}" = 1 ]; then
    printf '%s\n' "$out" >"$dir/$name.out"
  elif [ "$out" != "$(cat "$dir/$name.out")" ]; then
    echo "FAIL $name"
    diff <(printf '%s\n' "$out") "$dir/$name.out"
    fail=1
  fi
done
exit $fail
