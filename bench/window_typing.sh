#!/usr/bin/env bash
# The editor itself, not its engine: processor time per key typed into a
# real window (100 keys at the start and at the end of 50 KB of short lines
# and of a 10 MB paragraph), and per mouse move over the text, under a
# virtual X display with a window manager. Drawing is part of it: a key at
# the start of a paragraph draws every line of the window again.
# Then the peak memory of opening and saving a 50 MB UTF-8 text, beyond
# what the editor holds with a short text, as a multiple of the file.
# Prints milliseconds; no peer (the short text is the yardstick).
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
shared="${KX_SHARED_DIR:-$here/../shared}"
for tool in xvfb-run xdotool openbox; do
  command -v "$tool" >/dev/null || { echo "window typing: $tool is missing (scripts/setup installs it)"; exit 0; }
done
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

aozora_text "$shared/realdata/aozora" "$tmp/flat.txt"
python3 - "$tmp/flat.txt" "$tmp" <<'EOF'
import os, sys
flat, out = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2]
short = "".join(flat[i:i + 30] + "\n" for i in range(0, 2000 * 30, 30)).encode("cp932", "replace")
open(os.path.join(out, "short.txt"), "wb").write(short[: 50 << 10])
para = flat.encode("cp932", "replace")
open(os.path.join(out, "para.txt"), "wb").write((para * ((10 << 20) // len(para) + 1))[: 10 << 20])
utf8 = flat.encode("utf-8")
open(os.path.join(out, "utf8.txt"), "wb").write((utf8 * ((50 << 20) // len(utf8) + 1))[: 50 << 20].decode("utf-8", "ignore").encode("utf-8"))
EOF

cat > "$tmp/run.sh" <<'EOF'
set -u
bin=$1 tmp=$2
export HOME="$tmp/home" GSETTINGS_BACKEND=memory
mkdir -p "$HOME"
openbox >/dev/null 2>&1 &
sleep 1
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
# ms NAME PID COUNT COMMAND...: processor time of the editor per event.
ms() {
  local name=$1 pid=$2 count=$3 before
  shift 3
  before=$(ticks "$pid")
  "$@"
  sleep 1.5
  awk -v d="$(( $(ticks "$pid") - before ))" -v hz="$hz" -v n="$count" -v what="$name" \
      'BEGIN { printf "%s: %.2f ms\n", what, d * 1000 / hz / n }'
}
keys=$(printf 'a%.0s' $(seq 100))
for name in short para; do
  "$bin/kxtext" "$tmp/$name.txt" >/dev/null 2>&1 &
  pid=$!
  w=
  for i in $(seq 150); do
    w=$(xdotool search --onlyvisible --name "$name.txt" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || { echo "window typing: the editor showed no window for $name.txt"; kill "$pid"; exit 1; }
  sleep 2
  xdotool windowactivate --sync "$w"
  sleep 0.5
  xdotool key ctrl+Home
  sleep 1
  ms "a key at the start of $name.txt" "$pid" 100 xdotool type --delay 15 "$keys"
  xdotool key ctrl+End
  sleep 1
  ms "a key at the end of $name.txt" "$pid" 100 xdotool type --delay 15 "$keys"
  ms "a mouse move over $name.txt" "$pid" 50 \
     bash -c 'for i in $(seq 50); do xdotool mousemove $((300 + i * 3)) 400; sleep 0.02; done'
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
# peak FILE: the editor's peak resident memory in kB after it opened FILE,
# typed at its end and saved it.
peak() {
  local file=$1 pid w=
  "$bin/kxtext" "$file" >/dev/null 2>&1 &
  pid=$!
  for i in $(seq 300); do
    w=$(xdotool search --onlyvisible --name "$(basename "$file")" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  sleep 2
  xdotool windowactivate --sync "$w"
  xdotool key ctrl+End
  xdotool type --delay 20 "end"
  xdotool key ctrl+s
  sleep 5
  awk '/VmHWM/ { print $2 }' "/proc/$pid/status"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
base=$(peak "$tmp/short.txt")
big=$(peak "$tmp/utf8.txt")
awk -v b="$base" -v g="$big" -v s="$(stat -c %s "$tmp/utf8.txt")" \
    'BEGIN { printf "opening and saving 50 MB of UTF-8: peak %.1f x the file beyond a short text\n", (g - b) * 1024 / s }'
EOF
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$tmp/run.sh" "$bin" "$tmp"
