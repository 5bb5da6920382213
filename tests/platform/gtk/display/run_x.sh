#!/usr/bin/env bash
# Runs a command on a fresh virtual X display (xvfb-run -a). Exits 77, which
# CTest reports as skipped, only when no X server can start here; any other
# failure is the command's own.
set -u
skip() { echo "SKIPPED: $*: the GTK host's window tests need an X server"; exit 77; }
command -v xvfb-run >/dev/null || skip "xvfb-run is not installed (scripts/setup installs xvfb)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/setup installs xvfb)"
command -v xauth >/dev/null || skip "xauth is not installed (scripts/setup installs xauth)"
args=(-a -s "-screen 0 1280x1024x24 -nolisten tcp")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Parallel runs may race for a display number; a server that fails to start
# is tried again before the machine is taken not to have one.
for attempt in 1 2 3 4 5; do
  xvfb-run "${args[@]}" "$@" 2>"$log"
  status=$?
  cat "$log" >&2
  if [ "$status" -ne 0 ] && grep -q "Xvfb failed to start" "$log"; then
    sleep "$attempt"
    continue
  fi
  exit "$status"
done
skip "Xvfb failed to start five times"
