# The editor's sessions on a virtual display (sourced by the *_x_test.sh
# scripts here): tools checked, a scratch folder and home, clean-up of the
# program and the window manager, and waits for windows and files.
# Sets: bin, work, shots (from SHOTS_NAME), pid and wm (for cleanup).
bin="${KX_BIN_DIR:?}"
for tool in xdotool openbox import; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done
work=$(mktemp -d)
shots="${KX_SHOT_DIR:-$bin/../${SHOTS_NAME:-kxtext_x_shots}}"
mkdir -p "$shots"
pid=""; wm=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" GSETTINGS_BACKEND=memory; mkdir -p "$HOME"
fail() { echo "FAIL: $*"; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }
# Waits up to 20 s for a window whose title matches.
window() {
  local w=""
  for _ in $(seq 200); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits up to 10 s for a file's contents.
contents() {
  for _ in $(seq 100); do
    [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
