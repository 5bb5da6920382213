#!/usr/bin/env bash
# Runs a command on a fresh virtual X display (xvfb-run -a, which finds a
# free display number itself). Exits 77, which CTest reports as skipped,
# only when no X server can start here; any other failure is the command's.
set -u
skip() { echo "SKIPPED: $*: the GTK host's window tests need an X server"; exit 77; }
command -v xvfb-run >/dev/null || skip "xvfb-run is not installed (scripts/setup installs xvfb)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/setup installs xvfb)"
command -v xauth >/dev/null || skip "xauth is not installed (scripts/setup installs xauth)"
args=(-a -s "-screen 0 1280x1024x24 -nolisten tcp")
# Whether a server comes up at all: its socket exists while the probe runs.
probe() { xvfb-run "${args[@]}" sh -c 'test -S "/tmp/.X11-unix/X${DISPLAY#:}"' >/dev/null 2>&1; }
for attempt in 1 2 3; do
  if probe; then
    exec xvfb-run "${args[@]}" "$@"
  fi
  sleep "$attempt"
done
skip "Xvfb does not start here"
